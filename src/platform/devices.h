// The device layer.  Everything above src/platform talks to the display,
// keyboard, sound, window and message queue only through these functions.
// They follow the operations of the DirectX-era API the emulator's logic was
// designed around, with the same success and failure results: display calls
// fail with any nonzero result, input and sound calls with a negative one.
// Three backends implement them: SDL2 (src/platform/sdl), the browser
// (src/platform/web) and headless (src/platform/headless, for tests and the
// headless runner).  What they do alike is written once beside them: the
// window's common steps and the message queue (window_messages.h), the
// display objects and the picture (display_objects.h), the sound buffers'
// common operations (sound_buffer.h) and the mixer (audio_mixer.h); SDL2 and
// the browser, which show the picture on a screen and play in real time,
// share their surfaces and palettes (screen_surface/) and the rest of their
// sound buffers (mixer_buffers/).  Each backend's own files hold only what
// its platform needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// ---- Results -------------------------------------------------------------
constexpr int32_t DD_OK = 0;
constexpr int32_t DI_OK = 0;
constexpr int32_t DS_OK = 0;
constexpr int32_t DDERR_GENERIC = static_cast<int32_t>(0x80004005u);
constexpr int32_t DDERR_WASSTILLDRAWING = static_cast<int32_t>(0x8876021Cu);
constexpr int32_t DDERR_SURFACELOST = static_cast<int32_t>(0x887601C2u);
constexpr int32_t DIERR_INPUTLOST = static_cast<int32_t>(0x8007001Eu);
constexpr int32_t DIERR_NOTACQUIRED = static_cast<int32_t>(0x8007000Cu);
constexpr int32_t DSERR_GENERIC = static_cast<int32_t>(0x80004005u);
constexpr int32_t DSERR_INVALIDPARAM = static_cast<int32_t>(0x80070057u);

// ---- Window messages and keys ----------------------------------------------
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;

constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_F5 = 0x74;
constexpr uint32_t VK_F6 = 0x75;
constexpr uint32_t VK_F7 = 0x76;
constexpr uint32_t VK_F8 = 0x77;
constexpr uint32_t VK_F9 = 0x78;
constexpr uint32_t VK_F10 = 0x79;
constexpr uint32_t VK_F11 = 0x7A;
constexpr uint32_t VK_F12 = 0x7B;

struct PlatformWindow;
using WindowHandle = PlatformWindow*;

struct Message {
    WindowHandle window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// ---- Window ------------------------------------------------------------
void RegisterWindowClass();
// Creates the borderless full-screen main window; null on failure.
WindowHandle CreatePlatformWindow(const char* title);
// Shows the window and gives it the keyboard focus.  The first activation
// message (WM_ACTIVATEAPP) reaches the window procedure from here.
void ShowPlatformWindow(WindowHandle window, int showState);
// Destroys the window: the window procedure receives WM_DESTROY before this
// returns.  Does nothing for a null window.
void DestroyPlatformWindow(WindowHandle window);
// Default handling: WM_CLOSE destroys the window; everything else is ignored.
intptr_t DefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The emulator's window procedure (src/platform/window.cpp).
intptr_t WindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Blocking message box with one OK button.
void ShowMessageBox(WindowHandle owner, const char* text, const char* caption);

// ---- Message queue -------------------------------------------------------
bool PeekMessage(Message* message);            // is one waiting? (not removed)
bool GetMessage(Message* message);             // waits; false for WM_QUIT
void TranslateMessage(const Message* message);
intptr_t DispatchMessage(const Message* message);
void WaitMessage();                            // until a new message arrives
void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostQuitMessage(int exitCode);

// ---- Clock, priority, memory ------------------------------------------------
int64_t QueryPerformanceFrequency();           // ticks per second
int64_t QueryPerformanceCounter();             // monotonic
// Blocks until QueryPerformanceCounter() reaches the given value or a little
// before it; callers re-check the counter.
void SleepUntilCounter(int64_t counter);
constexpr uint32_t NORMAL_PRIORITY_CLASS = 0x20;
constexpr uint32_t HIGH_PRIORITY_CLASS = 0x80;
constexpr uint32_t REALTIME_PRIORITY_CLASS = 0x100;
uint32_t GetPriorityClass();
void SetPriorityClass(uint32_t priorityClass);   // failures are ignored
void* AllocateBlock(size_t bytes);               // null on failure
void FreeBlock(void* block);

// ---- Display ----------------------------------------------------------------
struct DirectDrawObject;
struct DisplayDevice;
struct Surface;
struct Palette;

struct PaletteEntry {
    uint8_t red, green, blue, flags;
};

struct SurfaceDesc {
    uint8_t* bits;      // first byte of row 0
    int32_t pitch;      // bytes from one row to the next
    uint32_t width;
    uint32_t height;
};

constexpr uint32_t DDSCL_FULLSCREEN = 0x01;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;
constexpr uint32_t DDSCL_ALLOWMODEX = 0x40;
constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;
constexpr uint32_t DDPCAPS_8BIT = 0x4;
constexpr uint32_t DDWAITVB_BLOCKBEGIN = 1;

int32_t DirectDrawCreate(DirectDrawObject** out);
int32_t DirectDrawQueryInterface(DirectDrawObject* object, DisplayDevice** out);
int32_t DisplaySetCooperativeLevel(DisplayDevice* display, WindowHandle window, uint32_t flags);
int32_t DisplaySetMode(DisplayDevice* display, uint32_t width, uint32_t height, uint32_t bitsPerPixel);
int32_t DisplayCreatePrimarySurface(DisplayDevice* display, uint32_t caps, Surface** out);
int32_t DisplayCreatePalette(DisplayDevice* display, uint32_t caps, const PaletteEntry entries[256], Palette** out);
int32_t DisplayWaitForVerticalBlank(DisplayDevice* display, uint32_t flags);
void DisplayRelease(DisplayDevice* display);
int32_t SurfaceSetPalette(Surface* surface, Palette* palette);
int32_t SurfaceLock(Surface* surface, SurfaceDesc* desc);
// Unlocking the primary surface puts its contents on the screen.
int32_t SurfaceUnlock(Surface* surface);
int32_t SurfaceRestore(Surface* surface);
void SurfaceRelease(Surface* surface);
void PaletteRelease(Palette* palette);

// Drawing on demand.  Whether anyone will see the picture of the frame
// that starts now: a paced machine's display shows every frame; unpaced,
// the display asks for pictures at its own rate (the headless backend
// when its controls say so), and the machine draws no others.
bool DisplayWantsPicture(bool paced);
// A frame ended whose picture nobody looks at: nothing is copied or shown,
// and the display keeps its picture (the headless backend counts the frame
// as the tick an unlock would have been).
void DisplayFrameNotShown(Surface* surface);

// ---- Keyboard ---------------------------------------------------------------
struct InputSystem;
struct KeyboardDevice;

constexpr uint32_t DISCL_NONEXCLUSIVE = 0x2;
constexpr uint32_t DISCL_FOREGROUND = 0x4;

int32_t DirectInputCreate(uint32_t version, InputSystem** out);
int32_t InputCreateKeyboard(InputSystem* input, KeyboardDevice** out);
int32_t KeyboardSetDataFormat(KeyboardDevice* keyboard);
int32_t KeyboardSetCooperativeLevel(KeyboardDevice* keyboard, WindowHandle window, uint32_t flags);
int32_t KeyboardAcquire(KeyboardDevice* keyboard);
int32_t KeyboardUnacquire(KeyboardDevice* keyboard);
// Fills 256 bytes, one per DIK_ scan code, 0x80 for a key that is down.
int32_t KeyboardGetState(KeyboardDevice* keyboard, uint8_t state[256]);
void KeyboardRelease(KeyboardDevice* keyboard);
void InputRelease(InputSystem* input);

// ---- Sound ------------------------------------------------------------------
struct SoundSystem;
struct SoundBuffer;

struct WaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSecond;
    uint32_t averageBytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};

struct SoundBufferDesc {
    uint32_t size;
    uint32_t flags;
    uint32_t bufferBytes;
    uint32_t reserved;
    const WaveFormat* format;
};

constexpr uint32_t DSSCL_PRIORITY = 2;
constexpr uint32_t DSBPLAY_LOOPING = 1;
constexpr uint32_t DSBLOCK_ENTIREBUFFER = 2;
constexpr int32_t DSBVOLUME_MIN = -10000;

int32_t DirectSoundCreate(SoundSystem** out);
int32_t SoundSetCooperativeLevel(SoundSystem* sound, WindowHandle window, uint32_t level);
int32_t SoundCreateBuffer(SoundSystem* sound, const SoundBufferDesc* desc, SoundBuffer** out);
// Samples of the buffer played per second; 0 means the format's own rate.
// Rates outside 100-100,000 are refused and leave the previous rate.
int32_t SoundBufferSetFrequency(SoundBuffer* buffer, uint32_t frequency);
int32_t SoundBufferSetPan(SoundBuffer* buffer, int32_t pan);
// Hundredths of a decibel, -10000 (silence) to 0.
int32_t SoundBufferSetVolume(SoundBuffer* buffer, int32_t volume);
int32_t SoundBufferGetVolume(SoundBuffer* buffer, int32_t* volume);
int32_t SoundBufferPlay(SoundBuffer* buffer, uint32_t flags);
int32_t SoundBufferLock(SoundBuffer* buffer, uint32_t offset, uint32_t bytes,
                        void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2,
                        uint32_t flags);
int32_t SoundBufferUnlock(SoundBuffer* buffer, void* region1, uint32_t bytes1, void* region2, uint32_t bytes2);
void SoundBufferRelease(SoundBuffer* buffer);
void SoundRelease(SoundSystem* sound);

// The TED's own sound (Accuracy=1): output levels at the chip's rate, one
// per sound clock, in units of one voice at full volume, given as runs of
// equal levels.  The device turns them into its own rate through a
// band-limited filter and the output stage's DC-blocking high-pass, and
// plays them shortly after: one stream, mixed with the buffers above.  The
// rate must be set before the first write; writes before it, or without a
// sound system, are refused.
struct SoundLevelRun {
    float level;
    uint32_t clocks;   // sound clocks the level lasts
};
int32_t SoundStreamSetRate(SoundSystem* sound, double levelsPerSecond);
int32_t SoundStreamWrite(SoundSystem* sound, const SoundLevelRun* runs, uint32_t count);

// ---- The device handles -----------------------------------------------------
extern WindowHandle MainWindow;
extern DisplayDevice* g_pDD;
extern Surface* g_pDDSPrimary;
extern Palette* g_pDDPal;
extern InputSystem* g_pDI;
extern KeyboardDevice* g_pDIKeyboard;
extern SoundSystem* g_pDS;
extern SoundBuffer* g_pDSBuffer1;
extern SoundBuffer* g_pDSBuffer2;
extern SoundBuffer* g_pDSBuffer3;

// ---- Desktop ------------------------------------------------------------------
// The main window's title; the window is found by the title's start, which
// stays the program's name.
void SetPlatformWindowTitle(WindowHandle window, const char* title);
// The desktop's clipboard as UTF-8 text; false when it holds none.
bool GetClipboardText(std::string* text);
bool SetClipboardText(const char* text);
// Silences the sound output as a whole (or lets it play again); the
// buffers' own volumes are not touched.
void SoundSetMuted(SoundSystem* sound, bool muted);

// Backend state back to its start (tests); device handles are not touched.
void ResetPlatformBackend();
