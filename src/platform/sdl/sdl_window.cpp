// The main window and the message box on SDL2, and SDL's side of the
// window-message queue (platform/window_messages.h): SDL's key, focus and
// close events become the messages the window procedure expects.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/settings.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/window_messages.h"

namespace {

SDL_Window* TheSdlWindow = nullptr;

// Full screen or a window, and the picture's size that a window is fitted
// to.  SDL's own full-screen switch alone is not enough: it asks the window
// manager, and where there is none (a bare X server) or it refuses, SDL
// believes the window covers the screen while it keeps its old size, and
// the picture is drawn for a screen it doesn't have, cut at the right and
// bottom.  So the window is first made the size it should be, which every
// X server carries out, and only then handed to SDL's switch.
struct WindowShape {
    bool fullScreen = false;
    uint32_t pictureWidth = 0, pictureHeight = 0;
};
WindowShape Shape;
int64_t LastPump = 0;
constexpr int64_t PumpInterval = 1'000'000;   // poll the desktop at most every 1 ms

// Virtual-key codes by SDL scancode (the key's place on a US keyboard).
struct VirtualKeyRow {
    SDL_Scancode scancode;
    uint8_t virtualKey;
};
constexpr VirtualKeyRow VirtualKeys[] = {
    {SDL_SCANCODE_BACKSPACE, 0x08}, {SDL_SCANCODE_TAB, 0x09},      {SDL_SCANCODE_RETURN, 0x0D},
    {SDL_SCANCODE_KP_ENTER, 0x0D},  {SDL_SCANCODE_LSHIFT, 0x10},   {SDL_SCANCODE_RSHIFT, 0x10},
    {SDL_SCANCODE_LCTRL, 0x11},     {SDL_SCANCODE_RCTRL, 0x11},    {SDL_SCANCODE_LALT, 0x12},
    {SDL_SCANCODE_RALT, 0x12},      {SDL_SCANCODE_PAUSE, 0x13},    {SDL_SCANCODE_CAPSLOCK, 0x14},
    {SDL_SCANCODE_ESCAPE, 0x1B},    {SDL_SCANCODE_SPACE, 0x20},    {SDL_SCANCODE_PAGEUP, 0x21},
    {SDL_SCANCODE_PAGEDOWN, 0x22},  {SDL_SCANCODE_END, 0x23},      {SDL_SCANCODE_HOME, 0x24},
    {SDL_SCANCODE_LEFT, 0x25},      {SDL_SCANCODE_UP, 0x26},       {SDL_SCANCODE_RIGHT, 0x27},
    {SDL_SCANCODE_DOWN, 0x28},      {SDL_SCANCODE_PRINTSCREEN, 0x2C}, {SDL_SCANCODE_INSERT, 0x2D},
    {SDL_SCANCODE_DELETE, 0x2E},    {SDL_SCANCODE_LGUI, 0x5B},     {SDL_SCANCODE_RGUI, 0x5C},
    {SDL_SCANCODE_APPLICATION, 0x5D},
    {SDL_SCANCODE_KP_0, 0x60}, {SDL_SCANCODE_KP_1, 0x61}, {SDL_SCANCODE_KP_2, 0x62}, {SDL_SCANCODE_KP_3, 0x63},
    {SDL_SCANCODE_KP_4, 0x64}, {SDL_SCANCODE_KP_5, 0x65}, {SDL_SCANCODE_KP_6, 0x66}, {SDL_SCANCODE_KP_7, 0x67},
    {SDL_SCANCODE_KP_8, 0x68}, {SDL_SCANCODE_KP_9, 0x69}, {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
    {SDL_SCANCODE_KP_PLUS, 0x6B}, {SDL_SCANCODE_KP_MINUS, 0x6D}, {SDL_SCANCODE_KP_PERIOD, 0x6E},
    {SDL_SCANCODE_KP_DIVIDE, 0x6F},
    {SDL_SCANCODE_F1, 0x70}, {SDL_SCANCODE_F2, 0x71}, {SDL_SCANCODE_F3, 0x72}, {SDL_SCANCODE_F4, 0x73},
    {SDL_SCANCODE_F5, 0x74}, {SDL_SCANCODE_F6, 0x75}, {SDL_SCANCODE_F7, 0x76}, {SDL_SCANCODE_F8, 0x77},
    {SDL_SCANCODE_F9, 0x78}, {SDL_SCANCODE_F10, 0x79}, {SDL_SCANCODE_F11, 0x7A}, {SDL_SCANCODE_F12, 0x7B},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x90}, {SDL_SCANCODE_SCROLLLOCK, 0x91},
    {SDL_SCANCODE_SEMICOLON, 0xBA}, {SDL_SCANCODE_EQUALS, 0xBB}, {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_MINUS, 0xBD},     {SDL_SCANCODE_PERIOD, 0xBE}, {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_GRAVE, 0xC0},     {SDL_SCANCODE_LEFTBRACKET, 0xDB}, {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_APOSTROPHE, 0xDE},
};

uint8_t VirtualKeyOf(SDL_Scancode scancode)
{
    // Letters and digits carry their own character as the code.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return static_cast<uint8_t>('A' + (scancode - SDL_SCANCODE_A));
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return static_cast<uint8_t>('1' + (scancode - SDL_SCANCODE_1));
    if (scancode == SDL_SCANCODE_0)
        return '0';
    for (const VirtualKeyRow& row : VirtualKeys) {
        if (row.scancode == scancode)
            return row.virtualKey;
    }
    return 0;
}

void TranslateEvent(const SDL_Event& event)
{
    if (SdlFeedInput(event))
        return;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        uint8_t key = VirtualKeyOf(event.key.keysym.scancode);
        if (key == 0)
            break;
        // Bit 30: the key was already down (a repeat); bit 31: released.
        intptr_t flags = event.type == SDL_KEYUP ? (intptr_t{1} << 31) | (intptr_t{1} << 30)
                                                 : (event.key.repeat ? intptr_t{1} << 30 : 0);
        PostToWindow(event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, key, flags | 1);
        break;
    }
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: PostToWindow(WM_ACTIVATEAPP, 1, 0); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: PostToWindow(WM_ACTIVATEAPP, 0, 0); break;
        case SDL_WINDOWEVENT_CLOSE: PostToWindow(WM_CLOSE, 0, 0); break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED: SdlDisplayNeedsRedraw(); break;
        default: break;
        }
        break;
    case SDL_QUIT:   // the desktop asks the program to end
        PostToWindow(WM_CLOSE, 0, 0);
        break;
    case SDL_RENDER_DEVICE_RESET:
    case SDL_RENDER_TARGETS_RESET:
        SdlDisplayDeviceLost();
        break;
    default:
        break;
    }
}

void DrainEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
        TranslateEvent(event);
    // A key's text arrives with it; one still without is taken by its symbol.
    SdlFinishInput();
    LastPump = SdlNow();
}

bool VideoReady() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

// Blocks for at most a short while until SDL has an event, then drains.
void WaitForEvent()
{
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, 20))
        TranslateEvent(event);   // DrainEvents finishes a waiting key
    DrainEvents();
    SdlServiceDisplay();
}

// A window: the largest whole multiple of the picture within 80% of the
// desktop, centred.
void FitWindow()
{
    if (!TheSdlWindow || Shape.fullScreen || Shape.pictureWidth == 0 || Shape.pictureHeight == 0)
        return;
    SDL_DisplayMode desktop{};
    uint32_t scale = 1;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        while ((scale + 1) * 10 * Shape.pictureWidth <= static_cast<uint32_t>(desktop.w) * 8 &&
               (scale + 1) * 10 * Shape.pictureHeight <= static_cast<uint32_t>(desktop.h) * 8)
            scale++;
    }
    SDL_SetWindowSize(TheSdlWindow, static_cast<int>(Shape.pictureWidth * scale),
                      static_cast<int>(Shape.pictureHeight * scale));
    SDL_SetWindowPosition(TheSdlWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

}  // namespace

SDL_Window* SdlMainWindow() { return TheSdlWindow; }

void SdlFitWindowToPicture(uint32_t width, uint32_t height)
{
    Shape.pictureWidth = width;
    Shape.pictureHeight = height;
    FitWindow();
}

void SdlToggleFullScreen()
{
    if (!TheSdlWindow)
        return;
    if (Shape.fullScreen) {
        SDL_SetWindowFullscreen(TheSdlWindow, 0);
        Shape.fullScreen = false;
        SDL_SetWindowBordered(TheSdlWindow, SDL_TRUE);
        SDL_SetWindowResizable(TheSdlWindow, SDL_TRUE);
        FitWindow();
    } else {
        SDL_Rect screen{};
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(TheSdlWindow), &screen) != 0)
            return;
        SDL_SetWindowBordered(TheSdlWindow, SDL_FALSE);
        SDL_SetWindowPosition(TheSdlWindow, screen.x, screen.y);
        SDL_SetWindowSize(TheSdlWindow, screen.w, screen.h);
        SDL_SetWindowFullscreen(TheSdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
        Shape.fullScreen = true;
    }
    SdlDisplayNeedsRedraw();
}

void SdlPumpEvents()
{
    if (!VideoReady())
        return;
    if (SdlNow() - LastPump >= PumpInterval)
        DrainEvents();
    SdlServiceDisplay();
}

// ---- Window --------------------------------------------------------------

WindowHandle CreatePlatformWindow(const char* title)
{
    if (!VideoReady()) {
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            std::fprintf(stderr, "ravlin: no display: %s\n", SDL_GetError());
            return nullptr;
        }
        SdlQuitAtExit();
        // With no X or Wayland display SDL falls back to a driver that shows
        // nothing: the machine would run unseen and unstoppable by key.
        // Only a driver the user asked for is taken as meant.
        const char* driver = SDL_GetCurrentVideoDriver();
        const char* chosen = std::getenv("SDL_VIDEODRIVER");
        if (driver && (!chosen || !*chosen) &&
            (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
            std::fprintf(stderr,
                         "ravlin: no display: no X or Wayland display could be opened (see DISPLAY and "
                         "WAYLAND_DISPLAY; SDL_VIDEODRIVER=%s runs the machine without a window)\n",
                         driver);
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
            return nullptr;
        }
    }
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
        desktop.w = 640;
        desktop.h = 480;
    }
    Uint32 flags = SDL_WINDOW_HIDDEN;
    int width = desktop.w, height = desktop.h;
    int x = 0, y = 0;
    if (Config.Windowed) {
        flags |= SDL_WINDOW_RESIZABLE;
        width = 960;
        height = 720;
        x = y = SDL_WINDOWPOS_CENTERED;
    } else {
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    Shape = WindowShape{};
    Shape.fullScreen = !Config.Windowed;
    TheSdlWindow = SDL_CreateWindow(title, x, y, width, height, flags);
    if (!TheSdlWindow) {
        std::fprintf(stderr, "ravlin: cannot open the window: %s\n", SDL_GetError());
        return nullptr;
    }
    SdlNoteDesktopConnection(TheSdlWindow);
    SDL_ShowCursor(SDL_DISABLE);   // no pointer over the window
    // Typed characters come as text events for the symbolic keyboard.
    SDL_StartTextInput();
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    SdlOpenGamepads();
    TheWindow.alive = true;
    return &TheWindow;
}

void ShowPlatformWindow(WindowHandle window, int)
{
    if (!window || !TheSdlWindow)
        return;
    SDL_ShowWindow(TheSdlWindow);
    SDL_RaiseWindow(TheSdlWindow);
    // Shown, the window is the active one; later focus changes arrive as
    // messages.
    WindowProc(window, WM_ACTIVATEAPP, 1, 0);
}

void ReleasePlatformWindow()
{
    if (TheSdlWindow) {
        SDL_DestroyWindow(TheSdlWindow);
        TheSdlWindow = nullptr;
    }
}

void ShowMessageBox(WindowHandle owner, const char* text, const char* caption)
{
    SDL_Window* parent = (owner && owner->alive) ? TheSdlWindow : nullptr;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, parent) != 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
}

// ---- Message queue ------------------------------------------------------

void PumpPlatformEvents() { SdlPumpEvents(); }

bool AwaitPlatformEvents(Message* instead)
{
    if (!VideoReady()) {
        // Without a display nothing can ever arrive.
        *instead = {nullptr, WM_QUIT, 0, 0};
        return false;
    }
    WaitForEvent();
    return true;
}

void WaitMessage()
{
    SdlPumpEvents();
    if (!MessageWaiting() && VideoReady())
        WaitForEvent();
}

void ResetPlatformBackend() { ResetMessageQueue(); }
