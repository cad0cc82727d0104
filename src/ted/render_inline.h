// The renderer's per-step work in the form the main loop inlines.  Each step
// the beam passes some 8-pixel chunks of the current line; instead of
// drawing them at once, the step extends a pending run of chunks, and the
// run is drawn in one go when it cannot be extended (a new line), at the
// frame end, or just before anything it reads changes: the line latches,
// the TED's registers, or the RAM it shows (video_watch.h).  The pixels
// come out exactly as if every step had drawn its own chunks.
#pragma once
#include <algorithm>

#include "machine/machine_state.h"

// The rare parts, in render.cpp.
void StartRenderRun(unsigned line, unsigned first, unsigned last);
void RenderAtFrameEnd();

// Returns true on the step that met the frame end.
inline bool RenderStepInline()
{
    // The frame ends when the TED's line counter becomes 0.
    const unsigned line = Ted.RasterLine;
    bool frameEnd = false;
    if (LineCounterTable[line] != 0) [[likely]] {
        Ted.FrameEndArmed = 1;
        Ted.FrameCountArmed = 1;
    } else {
        RenderAtFrameEnd();
        frameEnd = true;
    }

    // The chunks from RenderColumn up to the raster, at least one.
    constexpr uint16_t LineUnits = 228;
    if (Ted.RenderColumn >= LineUnits)
        Ted.RenderColumn = 0;
    const unsigned first = Ted.RenderColumn;
    const unsigned last = std::max<unsigned>(first, Ted.LinePosition);
    Ted.RenderColumn = static_cast<uint16_t>(last + 4);
    if (line == Ted.PendingLine && first == Ted.PendingNext) [[likely]]
        Ted.PendingNext = Ted.RenderColumn;
    else
        StartRenderRun(line, first, last);
    return frameEnd;
}
