// The display in the browser: an 8-bit surface of the display mode's size,
// turned into colours through the palette and put on the page's canvas
// whenever the browser gets the thread (the browser paints no more often
// than that, and a machine running flat out presents thousands of frames a
// second).  The canvas has the mode's size; the page scales it with its
// aspect kept and sharp pixels.
//
// Unlocking is also where a modal loop (a menu that polls the keyboard
// without waiting) gives the thread back to the browser: after a burst of
// pictures, or when the browser has not had the thread for a while.
#include <emscripten.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/devices.h"
#include "platform/web/web_backend.h"

struct DirectDrawObject {
    int unused = 0;
};

struct DisplayDevice {
    uint32_t width = 640, height = 480;
};

struct Palette {
    PaletteEntry entries[256];
};

struct Surface {
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> rgba;      // what the canvas gets
    int32_t pitch = 0;
    uint32_t width = 0, height = 0;
    uint32_t colours[256] = {};      // RGBA of each index, from the palette
    bool locked = false;
};

namespace {

DirectDrawObject FirstObject;
Surface* Primary = nullptr;
int UnlocksSinceYield = 0;
// The surface holds a picture the canvas has not shown yet.
bool Dirty = false;

// A modal loop that presents more often than this between two turns of the
// browser is spinning: it is given a refresh's pause.
constexpr int UnlockBurst = 64;
constexpr double LongestHold = 20.0;        // milliseconds without the browser
constexpr double RefreshPeriod = 1000.0 / 60.0;

void WaitForRefresh()
{
    const double now = WebNow();
    WebYield(RefreshPeriod - std::fmod(now, RefreshPeriod));
    UnlocksSinceYield = 0;
}

}  // namespace

EM_JS(void, WebCanvasSize, (uint32_t width, uint32_t height), {
    if (Module.ravlinCanvasSize) Module.ravlinCanvasSize(width, height);
});
EM_JS(void, WebCanvasPut, (const uint32_t* rgba, uint32_t width, uint32_t height), {
    if (Module.ravlinCanvasPut) Module.ravlinCanvasPut(rgba, width, height);
});

int32_t DirectDrawCreate(DirectDrawObject** out)
{
    *out = &FirstObject;
    return DD_OK;
}

int32_t DirectDrawQueryInterface(DirectDrawObject*, DisplayDevice** out)
{
    *out = new DisplayDevice();
    return DD_OK;
}

int32_t DisplaySetCooperativeLevel(DisplayDevice* display, WindowHandle window, uint32_t)
{
    return display && window ? DD_OK : DDERR_GENERIC;
}

int32_t DisplaySetMode(DisplayDevice* display, uint32_t width, uint32_t height, uint32_t bitsPerPixel)
{
    if (!display || bitsPerPixel != 8 || width == 0 || height == 0 || width > 4096 || height > 4096)
        return DDERR_GENERIC;
    display->width = width;
    display->height = height;
    WebCanvasSize(width, height);
    return DD_OK;
}

int32_t DisplayCreatePrimarySurface(DisplayDevice* display, uint32_t, Surface** out)
{
    if (!display || Primary)
        return DDERR_GENERIC;
    Surface* surface = new Surface();
    surface->width = display->width;
    surface->height = display->height;
    surface->pitch = static_cast<int32_t>((display->width + 63) & ~63u);
    surface->pixels.assign(static_cast<size_t>(surface->pitch) * surface->height, 0);
    surface->rgba.assign(static_cast<size_t>(surface->width) * surface->height, 0);
    Primary = surface;
    WebCanvasSize(surface->width, surface->height);
    *out = surface;
    return DD_OK;
}

int32_t DisplayCreatePalette(DisplayDevice*, uint32_t caps, const PaletteEntry entries[256], Palette** out)
{
    if (!(caps & DDPCAPS_8BIT))
        return DDERR_GENERIC;
    Palette* palette = new Palette();
    std::memcpy(palette->entries, entries, sizeof palette->entries);
    *out = palette;
    return DD_OK;
}

int32_t DisplayWaitForVerticalBlank(DisplayDevice* display, uint32_t)
{
    if (!display)
        return DDERR_GENERIC;
    WaitForRefresh();
    return DD_OK;
}

void DisplayRelease(DisplayDevice* display) { delete display; }

int32_t SurfaceSetPalette(Surface* surface, Palette* palette)
{
    if (!surface || !palette)
        return DDERR_GENERIC;
    // The canvas takes bytes red, green, blue, alpha: little-endian words.
    for (int i = 0; i < 256; i++) {
        const PaletteEntry& e = palette->entries[i];
        surface->colours[i] = 0xFF000000u | (uint32_t{e.blue} << 16) | (uint32_t{e.green} << 8) | e.red;
    }
    Dirty = true;
    return DD_OK;
}

int32_t SurfaceLock(Surface* surface, SurfaceDesc* desc)
{
    if (!surface)
        return DDERR_GENERIC;
    surface->locked = true;
    desc->bits = surface->pixels.data();
    desc->pitch = surface->pitch;
    desc->width = surface->width;
    desc->height = surface->height;
    return DD_OK;
}

int32_t SurfaceUnlock(Surface* surface)
{
    if (!surface || !surface->locked)
        return DDERR_GENERIC;
    surface->locked = false;
    Dirty = true;
    static uint64_t yieldsSeen = 0;
    if (WebYieldCount() != yieldsSeen) {
        yieldsSeen = WebYieldCount();
        UnlocksSinceYield = 0;
    }
    if (++UnlocksSinceYield >= UnlockBurst || WebMillisecondsSinceYield() > LongestHold)
        WaitForRefresh();
    return DD_OK;
}

void WebShowPicture()
{
    Surface* surface = Primary;
    if (!Dirty || !surface || surface->locked)
        return;
    Dirty = false;
    uint32_t* target = surface->rgba.data();
    for (uint32_t y = 0; y < surface->height; y++) {
        const uint8_t* source = surface->pixels.data() + static_cast<size_t>(y) * surface->pitch;
        for (uint32_t x = 0; x < surface->width; x++)
            *target++ = surface->colours[source[x]];
    }
    WebCanvasPut(surface->rgba.data(), surface->width, surface->height);
}

// Unpaced, the canvas shows the last picture of each slice: a new one is
// wanted once the last has gone to the canvas.
bool DisplayWantsPicture(bool paced) { return paced || !Dirty; }

void DisplayFrameNotShown(Surface*) {}

int32_t SurfaceRestore(Surface* surface) { return surface ? DD_OK : DDERR_GENERIC; }

void SurfaceRelease(Surface* surface)
{
    if (Primary == surface) {
        Primary = nullptr;
        Dirty = false;
    }
    delete surface;
}

void PaletteRelease(Palette* palette) { delete palette; }
