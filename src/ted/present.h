// Putting a finished frame on the display surface.
#pragma once
#include <cstdint>
#include "platform/devices.h"

// What one screen mode copies from the frame buffer to the surface.
struct ScreenCopy {
    uint16_t top, lines;     // frame-buffer lines
    uint16_t left, width;    // frame-buffer pixels
    uint16_t x, y;           // surface position of the first pixel
    bool doubleAcross;       // each pixel fills two surface pixels
    bool doubleDown;         // each line fills two surface rows
    bool scanLines;          // each line goes to every second surface row
};

// The copy of a ScreenMode value; null for values that copy nothing.
const ScreenCopy* ScreenCopyFor(uint32_t screenMode);
// Copies the frame buffer to a locked surface, row by row through its pitch,
// clipped to the surface's size.
void CopyFrame(const ScreenCopy& copy, const SurfaceDesc& desc);
// Lock, copy in the current screen mode, unlock; a surface that will not lock
// is restored and the frame skipped.
void CopyFrameToScreen();

// Drawing on demand (RunMainLoop): the beam draws from here on, or stops
// drawing (what it has passed is drawn first).
void SetDrawing(bool on);
// Whether the main loop's requests may run now.  When one of them looks at
// the picture (a screenshot, a menu, the debugger), only once the picture
// is whole: until then drawing starts, and the requests wait, in their
// order, for a frame end where it is.
bool RequestsMayRun();
