// A menu's picture on the display.  While a menu runs the main loop is
// suspended, so nothing else presents frames: the menu copies the whole
// frame buffer itself, border included, in the screen mode's geometry.
#include <cstring>

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "ui/text.h"

namespace {

// Which part of the 456 x 312 frame goes where on the surface, per screen
// mode.  Doubling across repeats each pixel; doubling down repeats each row;
// scan lines put source line y on surface row 2y and leave the rows between.
struct ScreenGeometry {
    uint16_t firstLine, lines;
    uint16_t firstPixel, pixels;
    uint16_t surfaceX, surfaceY;
    bool doubleAcross, doubleDown, scanLines;
};

constexpr ScreenGeometry ScreenGeometries[7] = {
    //  lines       pixels      at         across  down   scan lines
    {56, 200,   64, 320,    0, 0,      false, false, false},   // 0: 320 x 200
    {6, 300,    28, 400,    0, 0,      false, false, false},   // 1: 400 x 300
    {0, 312,    0, 456,     28, 36,    false, false, false},   // 2: 512 x 384
    {36, 240,   64, 320,    0, 0,      false, false, false},   // 3: 320 x 240
    {0, 312,    0, 456,     92, 84,    false, false, false},   // 4: 640 x 480
    {56, 200,   64, 320,    0, 0,      true, true, false},     // 5: 640 x 400, doubled
    {6, 300,    28, 400,    0, 0,      true, false, true},     // 6: 800 x 600, scan lines
};

// One source line to one surface row, clipped to the surface's width.
void CopyLine(const uint8_t* source, uint32_t count, uint8_t* row, uint32_t x, uint32_t width, bool doubled)
{
    if (x >= width)
        return;
    uint32_t room = width - x;
    if (!doubled) {
        std::memcpy(row + x, source, count < room ? count : room);
        return;
    }
    for (uint32_t i = 0; i < count && 2 * i < room; i++) {
        row[x + 2 * i] = source[i];
        if (2 * i + 1 < room)
            row[x + 2 * i + 1] = source[i];
    }
}

void CopyFrame(const ScreenGeometry& g, const SurfaceDesc& desc)
{
    for (uint32_t y = 0; y < g.lines; y++) {
        const uint8_t* source = FrameBuffer + (g.firstLine + y) * FrameWidth + g.firstPixel;
        uint32_t step = (g.doubleDown || g.scanLines) ? 2 : 1;
        uint32_t surfaceRow = g.surfaceY + step * y;
        for (uint32_t copy = 0; copy < (g.doubleDown ? 2u : 1u); copy++) {
            if (surfaceRow + copy >= desc.height)
                return;
            uint8_t* row = desc.bits + static_cast<ptrdiff_t>(surfaceRow + copy) * desc.pitch;
            CopyLine(source, g.pixels, row, g.surfaceX, desc.width, g.doubleAcross);
        }
    }
}

}  // namespace

void PresentMenu()
{
    if (!g_pDDSPrimary)
        return;
    SurfaceDesc desc{};
    int32_t result;
    do {
        result = SurfaceLock(g_pDDSPrimary, &desc);
    } while (result == DDERR_WASSTILLDRAWING);
    // Unlike the emulation's own presentation, a lost surface is not
    // restored here: the menu simply tries again on its next pass.
    if (result != DD_OK)
        return;
    if (Config.ScreenMode < 7)
        CopyFrame(ScreenGeometries[Config.ScreenMode], desc);
    SurfaceUnlock(g_pDDSPrimary);
}
