// The single clock read from the raster's line and position accounting: a
// line is 57 single clocks (LinePosition counts 4 units per single clock),
// a frame 312 lines, counted in whole frames by FramesCompleted from the
// frame end on internal line 52 (the TED's line 0).  A write lands at the
// start of the instruction that makes it.
#include "ted/ted_clock.h"

#include "machine/machine_state.h"

namespace {

constexpr uint64_t ClocksPerLine = 57;
constexpr uint64_t LinesPerFrame = 312;
constexpr uint64_t FrameEndLine = 52;

}  // namespace

uint64_t SingleClockNow()
{
    const uint64_t line = (Ted.RasterLine + LinesPerFrame - FrameEndLine) % LinesPerFrame;
    const uint64_t position = Ted.LinePosition < 228 ? Ted.LinePosition / 4 : ClocksPerLine - 1;
    // On the frame-end line before the renderer has counted the frame.
    const uint64_t frames = Ted.FramesCompleted + (line == 0 && Ted.FrameCountArmed ? 1 : 0);
    return (frames * LinesPerFrame + line) * ClocksPerLine + position;
}

double SingleClockHz()
{
    // 0xFF07 bit 6 selects NTSC timing.
    return Ram64 && (Ram64[0xFF07] & 0x40) ? 894886.25 : 886723.75;
}
