// The renderer's per-step work in the form the main loop inlines.  Each step
// the beam passes some 8-pixel chunks of the current line; instead of
// drawing them at once, the older model's step extends a pending run of
// chunks (the measured model's run reaches to the beam without a step:
// RenderColumn is the first chunk not drawn), and the run is drawn in one
// go when it cannot be extended (a new line), at the frame end, or just
// before anything it reads changes: the line latches, the TED's registers,
// or the RAM it shows (video_watch.h).  The pixels come out exactly as if
// every step had drawn its own chunks.
#pragma once
#include <algorithm>

#include "machine/machine_state.h"

// The rare parts, in render.cpp.
void StartRenderRun(unsigned line, unsigned first, unsigned last);
void RenderAtFrameEnd();
void DrawEdgeChunk(unsigned chunk);

// Draws the chunks of the current line that start before units and are not
// drawn yet (the measured model: at the line's end, and up to the chunk a
// register write lands in).
inline void RenderUpTo(unsigned units);

// Returns true on the step that met the frame end.  Measured: the frame
// ends when the TED's own line counter becomes 0.
template <bool Measured = false>
inline bool RenderStepInline()
{
    // The frame ends when the TED's line counter becomes 0.
    const unsigned line = Ted.RasterLine;
    bool frameEnd = false;
    if ((Measured ? Ted.LineCounter : LineCounterTable[line]) != 0) [[likely]] {
        Ted.FrameEndArmed = 1;
        Ted.FrameCountArmed = 1;
    } else {
        RenderAtFrameEnd();
        frameEnd = true;
    }

    if constexpr (Measured)
        return frameEnd;   // drawn up to the beam when needed (FlushRender)

    // The chunks from RenderColumn up to the raster, at least one.
    constexpr uint16_t LineUnits = 228;
    if (Ted.RenderColumn >= LineUnits)
        Ted.RenderColumn = 0;
    const unsigned first = Ted.RenderColumn;
    const unsigned last = std::max<unsigned>(first, Ted.LinePosition);
    Ted.RenderColumn = static_cast<uint16_t>(last + 4);
    if (Ted.NotDrawing)
        return frameEnd;
    if (line == Ted.PendingLine && first == Ted.PendingNext) [[likely]]
        Ted.PendingNext = Ted.RenderColumn;
    else
        StartRenderRun(line, first, last);
    return frameEnd;
}

inline void RenderUpTo(unsigned units)
{
    if (Ted.NotDrawing) {
        // A frame nobody looks at still draws each line's first chunk (at
        // the line's start) and its last one (render.cpp).
        if (units > TedState::LastChunk && Ted.LastChunkDue) [[unlikely]] {
            Ted.LastChunkDue = 0;
            DrawEdgeChunk(TedState::LastChunk);
        }
        return;
    }
    const unsigned first = Ted.RenderColumn;
    if (units <= first)
        return;
    const unsigned last = (units - 1) & ~3u;
    Ted.RenderColumn = static_cast<uint16_t>(last + 4);
    if (Ted.PictureHeld) [[unlikely]]
        return;
    if (Ted.RasterLine == Ted.PendingLine && first == Ted.PendingNext) [[likely]]
        Ted.PendingNext = Ted.RenderColumn;
    else
        StartRenderRun(Ted.RasterLine, first, last);
}
