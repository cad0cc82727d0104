// Whole pictures, frame after frame, from the real KERNAL running programs
// that change the video state all the time: border and background colours,
// scrolls, display modes, character/bitmap/matrix bases and video memory,
// written at arbitrary points within the lines, and BASIC's split screen
// (a raster interrupt switching between bitmap and text every frame).
//
// Each workload's frames are folded into one digest and compared with the
// digest the renderer gave when it drew every step's chunks at once, right
// after the step.  The renderer now draws runs of chunks later; any write
// it fails to notice before drawing changes a digest.  Needs the real ROMs
// and cl65; skips without them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/program_file.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "support/test_support.h"

namespace {

constexpr uint16_t KeyboardBufferCount = 0x00EF;
constexpr uint16_t KeyboardBuffer = 0x0527;

// FNV-1a, 64 bits.
uint64_t Fold(uint64_t digest, const uint8_t* bytes, size_t size)
{
    for (size_t i = 0; i < size; i++)
        digest = (digest ^ bytes[i]) * 0x100000001B3ull;
    return digest;
}

// The frames run as the emulator runs them; the lockstep test
// (tests/machine) holds every loop to the same pictures.
bool RunOneFrame()
{
    int exitCode = 0;
    return RunMainLoop(&exitCode, Ted.FramesCompleted + 1);
}

struct PictureDigest {
    uint64_t value = 0xCBF29CE484222325ull;

    // Runs whole frames; after each frame end folds in the whole frame
    // buffer as the renderer has it when the frame's last step is done.
    bool Frames(int count)
    {
        for (int i = 0; i < count; i++) {
            if (!RunOneFrame())
                return false;
            FlushRender();
            value = Fold(value, FrameBuffer, sizeof FrameBuffer);
        }
        return true;
    }
};

// The fixed digests are the older model's pictures (Accuracy=0; a compiled
// program may show the stack page, and with it the status bytes pushed).
void PrepareDirectory(const ScratchDirectory& scratch, int screenMode)
{
    scratch.CopyRealRoms();
    scratch.WriteText("settings", "ScreenMode=" + std::to_string(screenMode) + "\nSync=0\nSoundEmulation=0\nAccuracy=0\n");
}

// Types text through the KERNAL's keyboard buffer, a few characters at a
// time, giving BASIC frames to take them.  '\r' is Return.
bool Type(PictureDigest& digest, const std::string& text)
{
    size_t at = 0;
    while (at < text.size()) {
        if (Ram64[KeyboardBufferCount] == 0) {
            uint8_t n = 0;
            for (; n < 8 && at < text.size(); n++, at++)
                Ram64[KeyboardBuffer + n] = static_cast<uint8_t>(text[at]);
            Ram64[KeyboardBufferCount] = n;
        }
        if (!digest.Frames(1))
            return false;
    }
    return true;
}

std::string ScreenRow(int row)
{
    std::string text;
    for (int column = 0; column < 40; column++)
        text += CharacterOfScreenCode(Ram64[0x0C00 + 40 * row + column]);
    return text;
}

class PictureDigestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (RealRomDirectory().empty())
            GTEST_SKIP() << "real ROM images not found (set RAVLIN_ROM_DIR or put them in ../shared/roms)";
    }
    void TearDown() override { ResetMachineToPowerOn(); }
};

TEST_F(PictureDigestTest, VideoChurnFromCompiledCode)
{
    if (std::system("command -v cl65 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "cl65 (cc65) is not installed";
    ScratchDirectory scratch;
    // Compiled in the scratch directory, where cl65 leaves its object file.
    const std::string compile = "cd '" + scratch.path + "' && cp '" + RAVLIN_SOURCE_DIR +
                                "/tests/programs/video_churn.c' . && cl65 -t plus4 -O -o churn.prg video_churn.c";
    ASSERT_EQ(std::system(compile.c_str()), 0);

    // The whole frame (mode 2), and the display window only (mode 0).  The
    // program scrolls 38-column bitmap screens, whose scroll gap shows
    // column 0 like the text modes'.
    const struct {
        int screenMode;
        uint64_t expected;
    } cases[] = {{2, 0x5A0A5918E46D17DEull}, {0, 0x1863555C4A119D4Eull}};
    for (const auto& c : cases) {
        SCOPED_TRACE("screen mode " + std::to_string(c.screenMode));
        PrepareDirectory(scratch, c.screenMode);
        ASSERT_TRUE(BootMachine());
        PictureDigest digest;
        ASSERT_TRUE(digest.Frames(150));
        ASSERT_TRUE(LoadProgramFile("churn.prg"));
        ASSERT_TRUE(Type(digest, "RUN\r"));
        ASSERT_TRUE(digest.Frames(300));
        EXPECT_EQ(digest.value, c.expected) << std::hex << "digest 0x" << digest.value;
        ResetMachineToPowerOn();
    }
}

TEST_F(PictureDigestTest, BasicSplitScreenAndMulticolourGraphics)
{
    ScratchDirectory scratch;
    PrepareDirectory(scratch, 2);
    ASSERT_TRUE(BootMachine());
    PictureDigest digest;
    ASSERT_TRUE(digest.Frames(150));
    ASSERT_TRUE(Type(digest, "PRINT 6*7\r"));
    ASSERT_TRUE(digest.Frames(10));
    ASSERT_EQ(ScreenRow(5).substr(0, 4), " 42 ") << "BASIC did not take the typed line";

    ASSERT_TRUE(Type(digest,
                     "10 GRAPHIC 2,1\r"
                     "20 FOR I=2 TO 60 STEP 4:CIRCLE 1,160,80,I,I/2:COLOR 4,I/4,3:NEXT\r"
                     "30 GRAPHIC 3,1:FOR I=0 TO 90 STEP 6:DRAW 2,0,I TO 159,I:COLOR 0,I/6:NEXT\r"
                     "40 GRAPHIC 0:COLOR 4,7:FOR I=1 TO 20:PRINT CHR$(18);\"DIGEST\";CHR$(146);I:NEXT\r"
                     "50 GOTO 10\r"
                     "RUN\r"));
    ASSERT_TRUE(digest.Frames(600));
    EXPECT_EQ(digest.value, 0x1911DDC44FCA8F71ull) << std::hex << "digest 0x" << digest.value;
}

}  // namespace
