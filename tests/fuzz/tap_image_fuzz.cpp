// The TAP reader on any file: a refused file always says why; an accepted
// one holds only waves of some length, writes out as version 2 and reads
// back to the same waves; and the deck plays it, winds it and records over
// it to its end without a fault.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "machine/machine_state.h"
#include "tape/datassette.h"
#include "tape/tap_image.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDirectory();
    TapImage image;
    std::string problem;
    if (!ParseTapImage(data, size, &image, &problem)) {
        Check(!problem.empty());
        return 0;
    }
    Check(image.waves.size() <= size);
    for (uint32_t wave : image.waves)
        Check(wave > 0 && wave <= 0xFFFFFF);
    MakeHalfWaves(&image);
    const std::vector<uint8_t> once = EncodeTapImage(image);
    TapImage back;
    Check(ParseTapImage(once.data(), once.size(), &back, &problem));
    Check(back.waves.size() == image.waves.size());
    Check(EncodeTapImage(back) == once);

    // Through the deck: play a while, wind both ways, record, eject.
    PowerOnWithExactRam();
    WriteFuzzFile("in.tap", data, size);
    std::string message;
    Check(TapeAttach("in.tap", &message));
    TapeLinesChanged(true, false);
    for (DeckKey key : {DeckKey::Play, DeckKey::FastForward, DeckKey::Rewind, DeckKey::Record}) {
        TapePressKey(key);
        for (int step = 0; step < 200; step++) {
            TapeStep(static_cast<uint32_t>(1 + (data[step % size] & 63) * 50));
            if (key == DeckKey::Record)
                TapeLinesChanged(true, (step & 1) != 0);
        }
    }
    TapeDetach();
    ReleaseExactRam();
    return 0;
}
