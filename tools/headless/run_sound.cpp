// The sound of a run as the WAV files hold it.  The machine is switched on
// part of the way through a frame (with the measured timing about 52 lines
// before its first frame end), so its first frame is short; with
// Accuracy=1, where the sound follows the machine's own clock, the part of
// that frame before power-on is silence at the start of the file.  Then N
// frames give N whole frames of sound (PAL: 17,784 single clocks each),
// and what the machine plays at the end of frame k falls at sample k times
// the frame.  With Accuracy=0 every frame is 1/50 s already.
#include <cmath>

#include "platform/headless/headless_control.h"
#include "runner.h"
#include "sound/ted_sound.h"
#include "ted/line_timing.h"
#include "ted/ted_clock.h"
#include "ted/ted_state.h"

namespace {

size_t LeadIn = 0;

}  // namespace

void NoteFirstFrameEnd()
{
    LeadIn = 0;
    if (!TedSoundActive())
        return;
    const uint64_t frame = (Ted.Ntsc ? timing::TimingChoices.ntscLines : timing::TimingChoices.palLines) *
                           uint64_t{timing::SlotsPerLine};
    // The first frame's sound so far, made to a whole frame.
    const auto whole = static_cast<size_t>(std::llround(static_cast<double>(frame) * HeadlessAudioRate / SingleClockHz()));
    if (SingleClockNow() < frame && HeadlessAudio().size() < whole)
        LeadIn = whole - HeadlessAudio().size();
}

std::vector<int16_t> RunSound()
{
    std::vector<int16_t> sound(LeadIn, 0);
    sound.insert(sound.end(), HeadlessAudio().begin(), HeadlessAudio().end());
    return sound;
}
