// The display on SDL2: an 8-bit surface of exactly the display mode's size
// (platform/screen_surface), turned into colours through the palette when
// it is shown, scaled to the window with its aspect kept and sharp pixels,
// black around it.
//
// The screen shows at most one picture per refresh: an unlock within the
// refresh that already showed one is held back and shown as soon as that
// refresh has passed (at the next vertical-blank wait or message poll).
//
// With Sync 1 (wait for the vertical blank), where the renderer offers it,
// the picture is presented in step with the display's own vertical blank
// instead: each unlock presents at once and the present waits for the
// blank, so no picture is ever shown half drawn.  A wait for the vertical
// blank then returns at once after such a present (it has just waited for
// one), and otherwise presents the picture again to wait for the next.
#include <cstring>

#include "machine/settings.h"
#include "platform/screen_surface/screen_surface.h"
#include "platform/sdl/sdl_backend.h"

struct DisplayDevice {
    SDL_Renderer* renderer = nullptr;
    ScreenMode mode;
    int64_t refreshPeriod = 0;
    int64_t refreshOrigin = 0;
    bool vsync = false;                 // presents wait for the vertical blank
    bool presentedSinceWait = false;    // a vsync present since the last wait
};

namespace {

DirectDrawObject FirstObject;
DisplayDevice* Display = nullptr;
Surface* Primary = nullptr;
SDL_Texture* Texture = nullptr;     // the primary surface in colours, for the renderer
bool Dirty = false;                 // the surface holds a picture not yet shown
int64_t LastShownRefresh = -1;

int64_t RefreshNumber(int64_t now)
{
    return (now - Display->refreshOrigin) / Display->refreshPeriod;
}

bool MakeTexture(const Surface* surface)
{
    Texture = SDL_CreateTexture(Display->renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                static_cast<int>(surface->picture.width), static_cast<int>(surface->picture.height));
    if (!Texture)
        return false;
    SDL_SetTextureScaleMode(Texture, SDL_ScaleModeNearest);
    return true;
}

void ShowSurface()
{
    Surface* s = Primary;
    void* bits = nullptr;
    int pitch = 0;
    if (Dirty && Texture && !s->lost && SDL_LockTexture(Texture, nullptr, &bits, &pitch) == 0) {
        ColourPicture(*s, bits, static_cast<size_t>(pitch));
        SDL_UnlockTexture(Texture);
    }
    SDL_SetRenderDrawColor(Display->renderer, 0, 0, 0, 255);
    SDL_RenderClear(Display->renderer);
    if (Texture && !s->lost)
        SDL_RenderCopy(Display->renderer, Texture, nullptr, nullptr);
    SDL_RenderPresent(Display->renderer);
    Dirty = false;
    LastShownRefresh = RefreshNumber(SdlNow());
    if (Display->vsync)
        Display->presentedSinceWait = true;
}

// Presents with the vertical blank exactly while Sync is 1 (the options
// menu changes it at run time), when the renderer can.
void FollowSyncSetting()
{
    if (!Display || !Display->renderer)
        return;
    const bool wanted = Config.Sync == 1;
    if (wanted == Display->vsync)
        return;
    Display->vsync = false;
    Display->presentedSinceWait = false;
    if (SDL_RenderSetVSync(Display->renderer, wanted ? 1 : 0) != 0 || !wanted)
        return;
    SDL_RendererInfo info{};
    Display->vsync = SDL_GetRendererInfo(Display->renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
}

// Shows the surface unless this refresh already showed a picture.
void ShowIfDue()
{
    if (!Display || !Display->renderer || !Primary || !Dirty)
        return;
    if (Display->vsync) {
        ShowSurface();   // the present itself keeps to the refreshes
        return;
    }
    int64_t refresh = RefreshNumber(SdlNow());
    if (refresh == LastShownRefresh)
        return;
    LastShownRefresh = refresh;
    ShowSurface();
}

// Whether the renderer draws through OpenGL that the processor rasterizes
// (Mesa's llvmpipe or softpipe: a desktop without a GPU driver, or a
// virtual X server such as Xvfb).
bool DrawsThroughSoftwareOpenGl(SDL_Renderer* renderer)
{
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0 ||
        !SDL_GL_GetCurrentContext())
        return false;
    using GetStringFunction = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetStringFunction>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int GlRenderer = 0x1F01;
    const char* name = getString ? reinterpret_cast<const char*>(getString(GlRenderer)) : nullptr;
    if (!name)
        return false;
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer"}) {
        if (std::strstr(name, software))
            return true;
    }
    return false;
}

// SDL's first choice of renderer, unless that is OpenGL rasterized by the
// processor: then SDL's own software renderer, which converts, scales and
// hands the picture to the desktop in one pass (on X11 through shared
// memory) and costs a fraction of drawing the same picture through a
// software OpenGL pipeline and its threads.  SDL would otherwise give even
// the software renderer's window an OpenGL texture to draw through, hence
// the framebuffer hint.  A renderer the user names in SDL_RENDER_DRIVER is
// taken as it is.
// Presenting waits for the desktop's vertical blank only with Sync 1
// (FollowSyncSetting); otherwise the pacing is the machine's own (none, or
// the 50 Hz timer).
SDL_Renderer* CreateRenderer(SDL_Window* window)
{
    SDL_SetHintWithPriority(SDL_HINT_RENDER_VSYNC, "0", SDL_HINT_OVERRIDE);
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer && !(chosen && *chosen) && DrawsThroughSoftwareOpenGl(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (!renderer) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    return renderer;
}

}  // namespace

void SdlServiceDisplay() { ShowIfDue(); }

void SdlDisplayNeedsRedraw()
{
    Dirty = true;
    LastShownRefresh = -1;
}

void SdlDisplayDeviceLost()
{
    if (Primary)
        Primary->lost = true;
}

int32_t DirectDrawCreate(DirectDrawObject** out)
{
    if (!SdlMainWindow())
        return DDERR_GENERIC;
    *out = &FirstObject;
    return DD_OK;
}

int32_t DirectDrawQueryInterface(DirectDrawObject*, DisplayDevice** out)
{
    DisplayDevice* display = new DisplayDevice();
    SDL_DisplayMode desktop{};
    int refreshRate = 60;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        display->mode.width = static_cast<uint32_t>(desktop.w);
        display->mode.height = static_cast<uint32_t>(desktop.h);
        if (desktop.refresh_rate > 0)
            refreshRate = desktop.refresh_rate;
    } else {
        display->mode.width = 640;
        display->mode.height = 480;
    }
    display->refreshPeriod = 1'000'000'000 / refreshRate;
    display->refreshOrigin = SdlNow();
    Display = display;
    *out = display;
    return DD_OK;
}

int32_t DisplaySetCooperativeLevel(DisplayDevice* display, WindowHandle window, uint32_t)
{
    SDL_Window* sdlWindow = SdlMainWindow();
    if (!display || !window || !sdlWindow)
        return DDERR_GENERIC;
    if (!display->renderer) {
        display->renderer = CreateRenderer(sdlWindow);
        if (!display->renderer)
            return DDERR_GENERIC;
    }
    return DD_OK;
}

int32_t DisplaySetMode(DisplayDevice* display, uint32_t width, uint32_t height, uint32_t bitsPerPixel)
{
    if (!display || !TakeScreenMode(display->mode, width, height, bitsPerPixel))
        return DDERR_GENERIC;
    SdlFitWindowToPicture(width, height);
    if (display->renderer)
        SDL_RenderSetLogicalSize(display->renderer, static_cast<int>(width), static_cast<int>(height));
    return DD_OK;
}

int32_t DisplayCreatePrimarySurface(DisplayDevice* display, uint32_t, Surface** out)
{
    if (!display || !display->renderer || Primary)
        return DDERR_GENERIC;
    Surface* surface = NewScreenSurface(display->mode);
    Primary = surface;
    if (!MakeTexture(surface)) {
        Primary = nullptr;
        delete surface;
        return DDERR_GENERIC;
    }
    SDL_RenderSetLogicalSize(display->renderer, static_cast<int>(surface->picture.width),
                             static_cast<int>(surface->picture.height));
    *out = surface;
    return DD_OK;
}

int32_t DisplayWaitForVerticalBlank(DisplayDevice* display, uint32_t)
{
    if (!display)
        return DDERR_GENERIC;
    FollowSyncSetting();
    if (display->vsync && Primary && display == Display) {
        // A present since the last wait has waited for a blank already;
        // else showing the picture again waits for the next one.
        if (!display->presentedSinceWait)
            ShowSurface();
        display->presentedSinceWait = false;
        return DD_OK;
    }
    // The next refresh of the display starts at a whole number of periods
    // from the origin.
    // A refresh lasts long enough that a wake-up a little late still falls
    // inside it, so the wait sleeps all the way.
    int64_t next = display->refreshOrigin + (RefreshNumber(SdlNow()) + 1) * display->refreshPeriod;
    SdlSleepUntil(next);
    ShowIfDue();
    return DD_OK;
}

void DisplayRelease(DisplayDevice* display)
{
    if (!display)
        return;
    if (display->renderer)
        SDL_DestroyRenderer(display->renderer);
    // Releasing the display gives the screen back to the desktop.
    if (SDL_Window* window = SdlMainWindow())
        SDL_HideWindow(window);
    if (Display == display)
        Display = nullptr;
    delete display;
}

// The texture is ARGB8888.
ColourLayout ScreenColourLayout() { return ColourLayout::Argb; }

void ScreenColoursChanged() { SdlDisplayNeedsRedraw(); }

void ScreenPictureFinished()
{
    Dirty = true;
    FollowSyncSetting();
    ShowIfDue();
}

// Unpaced, a picture is wanted for each refresh that has not shown one.
bool DisplayWantsPicture(bool paced)
{
    return paced || !Display || !Display->renderer || RefreshNumber(SdlNow()) != LastShownRefresh;
}

void DisplayFrameNotShown(Surface*) { ShowIfDue(); }

int32_t SurfaceRestore(Surface* surface)
{
    if (!surface || !Display || !Display->renderer)
        return DDERR_GENERIC;
    if (!surface->lost)
        return DD_OK;
    if (Texture)
        SDL_DestroyTexture(Texture);
    Texture = nullptr;
    if (!MakeTexture(surface))
        return DDERR_GENERIC;
    surface->lost = false;
    SdlDisplayNeedsRedraw();
    return DD_OK;
}

void SurfaceRelease(Surface* surface)
{
    if (!surface)
        return;
    if (Primary == surface) {
        if (Texture && Display && Display->renderer)
            SDL_DestroyTexture(Texture);
        Texture = nullptr;
        Primary = nullptr;
    }
    Dirty = false;
    delete surface;
}
