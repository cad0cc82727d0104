// The display in the browser: an 8-bit surface of the display mode's size
// (platform/screen_surface), turned into colours through the palette and
// put on the page's canvas whenever the browser gets the thread (the
// browser paints no more often than that, and a machine running flat out
// presents thousands of frames a second).  The canvas has the mode's size;
// the page scales it with its aspect kept and sharp pixels.
//
// Unlocking is also where a modal loop (a menu that polls the keyboard
// without waiting) gives the thread back to the browser: after a burst of
// pictures, or when the browser has not had the thread for a while.
#include <emscripten.h>

#include <cmath>
#include <vector>

#include "platform/devices.h"
#include "platform/screen_surface/screen_surface.h"
#include "platform/web/web_backend.h"

struct DisplayDevice {
    ScreenMode mode{640, 480};
};

namespace {

DirectDrawObject FirstObject;
Surface* Primary = nullptr;
std::vector<uint32_t> Rgba;   // the primary surface in colours: what the canvas gets
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
    if (!display || !TakeScreenMode(display->mode, width, height, bitsPerPixel))
        return DDERR_GENERIC;
    WebCanvasSize(width, height);
    return DD_OK;
}

int32_t DisplayCreatePrimarySurface(DisplayDevice* display, uint32_t, Surface** out)
{
    if (!display || Primary)
        return DDERR_GENERIC;
    Surface* surface = NewScreenSurface(display->mode);
    Rgba.assign(static_cast<size_t>(display->mode.width) * display->mode.height, 0);
    Primary = surface;
    WebCanvasSize(display->mode.width, display->mode.height);
    *out = surface;
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

// The canvas takes bytes red, green, blue, alpha.
ColourLayout ScreenColourLayout() { return ColourLayout::Rgba; }

void ScreenColoursChanged() { Dirty = true; }

void ScreenPictureFinished()
{
    Dirty = true;
    static uint64_t yieldsSeen = 0;
    if (WebYieldCount() != yieldsSeen) {
        yieldsSeen = WebYieldCount();
        UnlocksSinceYield = 0;
    }
    if (++UnlocksSinceYield >= UnlockBurst || WebMillisecondsSinceYield() > LongestHold)
        WaitForRefresh();
}

void WebShowPicture()
{
    Surface* surface = Primary;
    if (!Dirty || !surface || surface->locked)
        return;
    Dirty = false;
    const IndexedPicture& picture = surface->picture;
    ColourPicture(*surface, Rgba.data(), size_t{picture.width} * 4);
    WebCanvasPut(Rgba.data(), picture.width, picture.height);
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
        std::vector<uint32_t>().swap(Rgba);
    }
    delete surface;
}
