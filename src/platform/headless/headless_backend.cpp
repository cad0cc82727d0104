// The headless device layer: every object lives in memory, time is virtual,
// and each call can be made to fail on request.  The window's common steps,
// the message queue, the picture and the sound buffers' common operations
// are the layer's own (platform/window_messages.h, display_objects.h,
// sound_buffer.h); this file adds the clock, the scripted input, the
// captures and the faults.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/audio_mixer.h"
#include "platform/devices.h"
#include "platform/display_objects.h"
#include "platform/headless/headless_control.h"
#include "platform/key_input.h"
#include "platform/sound_buffer.h"
#include "platform/window_messages.h"

struct DisplayDevice {
    uint32_t width = 640, height = 480;
    uint32_t level = 0;
};

struct Surface {
    HeadlessFrame frame;
    bool locked = false;
};

struct InputSystem {
    int unused = 0;
};

struct KeyboardDevice {
    bool acquired = false;
    bool formatSet = false;
};

struct SoundSystem {
    int unused = 0;
};

namespace {

struct Fault {
    int skip;      // calls to let through first
    int times;     // calls to fail
    int32_t result;
};

struct Backend {
    std::vector<Fault> faults[static_cast<int>(HeadlessCall::Count)];
    int64_t clock = 0;
    uint64_t ticks = 0;
    std::multimap<uint64_t, std::function<void()>> events;
    uint8_t keys[256] = {};
    std::vector<uint8_t> taps;
    int readsSinceTick = 0;
    std::string title;
    std::string clipboard;
    bool soundMuted = false;
    bool inputLost = false;
    int acquireCount = 0;
    int32_t pitchPadding = 0;
    HeadlessFrame lastPresented;
    // When set, the last presented picture is this surface's frame, not yet
    // copied into lastPresented: the copy is made only when someone looks,
    // or before the surface can change or go.
    Surface* presentedSource = nullptr;
    uint64_t presented = 0;
    std::function<void(const HeadlessFrame&)> onPresent;
    bool drawOnDemand = false;
    std::vector<std::pair<uint32_t, uint32_t>> modes;
    const Palette* palette = nullptr;
    uint32_t cooperativeLevel = 0;
    int restores = 0;
    int soundCalls = 0;
    AudioMixer mixer;
    bool captureAudio = false;
    std::vector<int16_t> audio;
    int liveObjects = 0;
    std::vector<std::string> messageBoxes;
    uint32_t priorityClass = NORMAL_PRIORITY_CLASS;
};

Backend& B()
{
    static Backend backend;
    return backend;
}

void TakePresentedCopy()
{
    Backend& b = B();
    if (b.presentedSource) {
        b.lastPresented = b.presentedSource->frame;
        b.presentedSource = nullptr;
    }
}

// The injected result for this call, or 0 when it should succeed.
int32_t Injected(HeadlessCall call)
{
    auto& list = B().faults[static_cast<int>(call)];
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->skip > 0) {
            it->skip--;
            continue;
        }
        int32_t result = it->result;
        if (--it->times <= 0)
            list.erase(it);
        return result;
    }
    return 0;
}

void FireDueEvents()
{
    Backend& b = B();
    while (!b.events.empty() && b.events.begin()->first <= b.ticks) {
        auto event = std::move(b.events.begin()->second);
        b.events.erase(b.events.begin());
        event();
    }
}

// Waiting skips ahead to the next scripted event.
void SkipToNextEvent()
{
    Backend& b = B();
    b.ticks = b.events.begin()->first;
    FireDueEvents();
}

void ReleaseTaps()
{
    for (uint8_t key : B().taps)
        B().keys[key] = 0;
    B().taps.clear();
}

// Each tick is one 50 Hz frame of emulated time, also for the sound.
void Tick()
{
    Backend& b = B();
    if (b.captureAudio) {
        // The TED's stream, when there is one, gives all it has made: its
        // frames are the machine's own length, not a fiftieth of a second.
        const size_t frames = b.mixer.stream.ready.load() ? StreamQueued(b.mixer.stream) : HeadlessAudioRate / 50;
        size_t start = b.audio.size();
        b.audio.resize(start + frames);
        MixerRender(b.mixer, b.audio.data() + start, frames, HeadlessAudioRate);
    }
    b.ticks++;
    b.readsSinceTick = 0;
    ReleaseTaps();
    FireDueEvents();
}

template <typename T>
T* Make()
{
    B().liveObjects++;
    return new T();
}

template <typename T>
void Destroy(T* object)
{
    if (!object)
        return;
    B().liveObjects--;
    delete object;
}

}  // namespace

// ---- Controls -----------------------------------------------------------------

void HeadlessInjectFault(HeadlessCall call, int32_t result, int occurrence, int times)
{
    B().faults[static_cast<int>(call)].push_back({occurrence - 1, times, result});
}

void HeadlessClearFaults()
{
    for (auto& list : B().faults)
        list.clear();
}

int64_t HeadlessClockNow() { return B().clock; }
void HeadlessAdvanceClock(int64_t nanoseconds) { B().clock += nanoseconds; }
uint64_t HeadlessTicks() { return B().ticks; }

void HeadlessAtTick(uint64_t tick, std::function<void()> event)
{
    B().events.emplace(tick, std::move(event));
}

void HeadlessSetKey(uint8_t scanCode, bool down) { B().keys[scanCode] = down ? 0x80 : 0x00; }
void HeadlessClearKeys() { std::memset(B().keys, 0, sizeof B().keys); }

void HeadlessTapKey(uint8_t scanCode)
{
    B().keys[scanCode] = 0x80;
    B().taps.push_back(scanCode);
}
void HeadlessLoseInput() { B().inputLost = true; }
int HeadlessAcquireCount() { return B().acquireCount; }

void HeadlessPostKeyMessage(uint32_t virtualKey, bool down)
{
    PostMessage(MainWindow, down ? WM_KEYDOWN : WM_KEYUP, virtualKey, 0);
}

size_t HeadlessQueuedMessages() { return QueuedMessageCount(); }
void HeadlessSetPitchPadding(int32_t bytes) { B().pitchPadding = bytes; }
const HeadlessFrame& HeadlessLastPresented()
{
    TakePresentedCopy();
    return B().lastPresented;
}
uint64_t HeadlessPresentedCount() { return B().presented; }
void HeadlessOnPresent(std::function<void(const HeadlessFrame&)> callback) { B().onPresent = std::move(callback); }
void HeadlessDrawOnDemand(bool on) { B().drawOnDemand = on; }
std::vector<std::pair<uint32_t, uint32_t>> HeadlessModeHistory() { return B().modes; }
const PaletteEntry* HeadlessPalette() { return B().palette ? B().palette->entries : nullptr; }
uint32_t HeadlessCooperativeLevel() { return B().cooperativeLevel; }
int HeadlessRestoreCount() { return B().restores; }

HeadlessSoundState HeadlessSoundBuffer(SoundBuffer* buffer)
{
    HeadlessSoundState state;
    if (!buffer)
        return state;
    state.exists = true;
    state.frequency = buffer->voice->rate.load();
    state.volume = buffer->voice->volume.load();
    state.pan = buffer->pan;
    state.playing = buffer->voice->playing.load();
    state.data = buffer->voice->samples;
    state.samplesPerSecond = buffer->voice->ownRate;
    return state;
}

void HeadlessCaptureAudio(bool on) { B().captureAudio = on; }
const std::vector<int16_t>& HeadlessAudio() { return B().audio; }

int HeadlessSoundCallCount() { return B().soundCalls; }
int HeadlessLiveObjectCount() { return B().liveObjects; }
const std::vector<std::string>& HeadlessMessageBoxes() { return B().messageBoxes; }
uint32_t HeadlessPriorityClass() { return B().priorityClass; }

void SetPlatformWindowTitle(WindowHandle, const char* title) { B().title = title; }
bool GetClipboardText(std::string* text)
{
    *text = B().clipboard;
    return !B().clipboard.empty();
}
bool SetClipboardText(const char* text)
{
    B().clipboard = text;
    return true;
}
void SoundSetMuted(SoundSystem*, bool muted) { B().soundMuted = muted; }
const std::string& HeadlessWindowTitle() { return B().title; }
void HeadlessSetClipboard(const std::string& text) { B().clipboard = text; }
bool HeadlessSoundMuted() { return B().soundMuted; }

void ResetPlatformBackend()
{
    Backend& b = B();
    b.title.clear();
    b.clipboard.clear();
    b.soundMuted = false;
    HeadlessClearFaults();
    b.clock = 0;
    b.ticks = 0;
    b.events.clear();
    std::memset(b.keys, 0, sizeof b.keys);
    b.taps.clear();
    b.readsSinceTick = 0;
    b.inputLost = false;
    b.acquireCount = 0;
    ResetMessageQueue();
    TheWindow.alive = false;
    b.pitchPadding = 0;
    b.lastPresented = HeadlessFrame{};
    b.presentedSource = nullptr;
    b.presented = 0;
    b.onPresent = nullptr;
    b.drawOnDemand = false;
    b.modes.clear();
    b.palette = nullptr;
    b.cooperativeLevel = 0;
    b.restores = 0;
    b.soundCalls = 0;
    b.captureAudio = false;
    b.audio.clear();
    StreamClose(b.mixer.stream);
    b.messageBoxes.clear();
    b.priorityClass = NORMAL_PRIORITY_CLASS;
}

// ---- Window and messages --------------------------------------------------------

WindowHandle CreatePlatformWindow(const char*)
{
    if (Injected(HeadlessCall::CreateWindow) != 0)
        return nullptr;
    TheWindow.alive = true;
    return &TheWindow;
}

void ShowPlatformWindow(WindowHandle window, int)
{
    // Showing the window makes the application the active one.
    WindowProc(window, WM_ACTIVATEAPP, 1, 0);
}

void ReleasePlatformWindow() {}

void ShowMessageBox(WindowHandle, const char* text, const char* caption)
{
    B().messageBoxes.push_back(text);
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

// Scripted events fire when their tick has come.
void PumpPlatformEvents() { FireDueEvents(); }

bool AwaitPlatformEvents(Message* instead)
{
    if (B().events.empty()) {
        // Nothing will ever arrive: answer as if the program was told to
        // quit, rather than hang a test.
        *instead = {nullptr, WM_QUIT, 0, 0};
        return false;
    }
    SkipToNextEvent();
    return true;
}

void WaitMessage()
{
    FireDueEvents();
    if (!MessageWaiting() && !B().events.empty())
        SkipToNextEvent();
}

// ---- Clock, priority, memory ----------------------------------------------------

int64_t QueryPerformanceFrequency() { return 1'000'000'000; }
int64_t QueryPerformanceCounter() { return B().clock; }

void SleepUntilCounter(int64_t counter)
{
    if (B().clock < counter)
        B().clock = counter;
}

uint32_t GetPriorityClass() { return B().priorityClass; }

void SetPriorityClass(uint32_t priorityClass)
{
    if (priorityClass == NORMAL_PRIORITY_CLASS || priorityClass == HIGH_PRIORITY_CLASS ||
        priorityClass == REALTIME_PRIORITY_CLASS)
        B().priorityClass = priorityClass;
}

void* AllocateBlock(size_t bytes)
{
    if (Injected(HeadlessCall::AllocateBlock) != 0)
        return nullptr;
    return std::calloc(1, bytes);
}

void FreeBlock(void* block) { std::free(block); }

// ---- Display ------------------------------------------------------------------

int32_t DirectDrawCreate(DirectDrawObject** out)
{
    if (int32_t r = Injected(HeadlessCall::DirectDrawCreate))
        return r;
    static DirectDrawObject first;   // never released, as with the real thing
    *out = &first;
    return DD_OK;
}

int32_t DirectDrawQueryInterface(DirectDrawObject*, DisplayDevice** out)
{
    if (int32_t r = Injected(HeadlessCall::QueryInterface))
        return r;
    *out = Make<DisplayDevice>();
    return DD_OK;
}

int32_t DisplaySetCooperativeLevel(DisplayDevice* display, WindowHandle, uint32_t flags)
{
    if (int32_t r = Injected(HeadlessCall::DisplaySetCooperativeLevel))
        return r;
    display->level = flags;
    B().cooperativeLevel = flags;
    return DD_OK;
}

int32_t DisplaySetMode(DisplayDevice* display, uint32_t width, uint32_t height, uint32_t)
{
    if (int32_t r = Injected(HeadlessCall::SetDisplayMode))
        return r;
    display->width = width;
    display->height = height;
    B().modes.emplace_back(width, height);
    return DD_OK;
}

int32_t DisplayCreatePrimarySurface(DisplayDevice* display, uint32_t, Surface** out)
{
    if (int32_t r = Injected(HeadlessCall::CreateSurface))
        return r;
    Surface* surface = Make<Surface>();
    // A fresh surface holds whatever the display showed: not zeros.
    SizePicture(surface->frame, display->width, display->height,
                static_cast<int32_t>(display->width) + B().pitchPadding, 0xEE);
    *out = surface;
    return DD_OK;
}

int32_t DisplayCreatePalette(DisplayDevice*, uint32_t, const PaletteEntry entries[256], Palette** out)
{
    if (int32_t r = Injected(HeadlessCall::CreatePalette))
        return r;
    Palette* palette = Make<Palette>();
    std::memcpy(palette->entries, entries, sizeof palette->entries);
    *out = palette;
    return DD_OK;
}

int32_t DisplayWaitForVerticalBlank(DisplayDevice*, uint32_t)
{
    if (int32_t r = Injected(HeadlessCall::WaitForVerticalBlank))
        return r;
    Backend& b = B();
    b.clock = (b.clock / HeadlessRefreshPeriod + 1) * HeadlessRefreshPeriod;
    Tick();
    return DD_OK;
}

void DisplayRelease(DisplayDevice* display) { Destroy(display); }

int32_t SurfaceSetPalette(Surface*, Palette* palette)
{
    if (int32_t r = Injected(HeadlessCall::SetPalette))
        return r;
    B().palette = palette;
    return DD_OK;
}

int32_t SurfaceLock(Surface* surface, SurfaceDesc* desc)
{
    if (int32_t r = Injected(HeadlessCall::SurfaceLock))
        return r;
    // A failing unlock would leave a changed surface that was never
    // presented: keep the presented picture first.
    if (surface == B().presentedSource && !B().faults[static_cast<int>(HeadlessCall::SurfaceUnlock)].empty())
        TakePresentedCopy();
    surface->locked = true;
    DescribePicture(surface->frame, desc);
    return DD_OK;
}

int32_t SurfaceUnlock(Surface* surface)
{
    if (!surface->locked)
        return DDERR_GENERIC;
    surface->locked = false;
    if (int32_t r = Injected(HeadlessCall::SurfaceUnlock))
        return r;
    Backend& b = B();
    b.presentedSource = surface;
    b.presented++;
    if (b.onPresent) {
        TakePresentedCopy();
        b.onPresent(b.lastPresented);
    }
    Tick();
    return DD_OK;
}

bool DisplayWantsPicture(bool)
{
    // Whoever looks does so from an event at a tick, or through a message
    // (a screenshot key, a menu): the frames up to an event a few ticks
    // ahead are drawn, and those while messages wait.
    const Backend& b = B();
    return !b.drawOnDemand || b.onPresent || QueuedMessageCount() != 0 ||
           (!b.events.empty() && b.events.begin()->first <= b.ticks + HeadlessLookAheadTicks);
}

void DisplayFrameNotShown(Surface*) { Tick(); }

int32_t SurfaceRestore(Surface*)
{
    B().restores++;
    return Injected(HeadlessCall::SurfaceRestore);
}

void SurfaceRelease(Surface* surface)
{
    if (surface == B().presentedSource)
        TakePresentedCopy();
    Destroy(surface);
}

void PaletteRelease(Palette* palette)
{
    if (B().palette == palette)
        B().palette = nullptr;
    Destroy(palette);
}

// ---- Keyboard -------------------------------------------------------------------

int32_t DirectInputCreate(uint32_t, InputSystem** out)
{
    if (int32_t r = Injected(HeadlessCall::DirectInputCreate))
        return r;
    *out = Make<InputSystem>();
    return DI_OK;
}

int32_t InputCreateKeyboard(InputSystem*, KeyboardDevice** out)
{
    if (int32_t r = Injected(HeadlessCall::CreateDevice))
        return r;
    *out = Make<KeyboardDevice>();
    return DI_OK;
}

int32_t KeyboardSetDataFormat(KeyboardDevice* keyboard)
{
    if (int32_t r = Injected(HeadlessCall::SetDataFormat))
        return r;
    keyboard->formatSet = true;
    return DI_OK;
}

int32_t KeyboardSetCooperativeLevel(KeyboardDevice*, WindowHandle, uint32_t)
{
    return Injected(HeadlessCall::KeyboardSetCooperativeLevel);
}

int32_t KeyboardAcquire(KeyboardDevice* keyboard)
{
    if (int32_t r = Injected(HeadlessCall::Acquire))
        return r;
    keyboard->acquired = true;
    B().inputLost = false;
    B().acquireCount++;
    return DI_OK;
}

int32_t KeyboardUnacquire(KeyboardDevice* keyboard)
{
    keyboard->acquired = false;
    return DI_OK;
}

int32_t KeyboardGetState(KeyboardDevice* keyboard, uint8_t state[256])
{
    if (int32_t r = Injected(HeadlessCall::GetDeviceState))
        return r;
    if (B().inputLost) {
        keyboard->acquired = false;
        return DIERR_INPUTLOST;
    }
    if (!keyboard->acquired)
        return DIERR_NOTACQUIRED;
    if (++B().readsSinceTick > 64)
        ReleaseTaps();
    // The scripted keys, and whatever a test or the runner fed the key
    // translation.
    if (KeyInputQuiet()) {
        std::memcpy(state, B().keys, 256);
        return DI_OK;
    }
    KeyInputState(state);
    for (int i = 0; i < 256; i++)
        state[i] |= B().keys[i];
    return DI_OK;
}

void KeyboardRelease(KeyboardDevice* keyboard) { Destroy(keyboard); }
void InputRelease(InputSystem* input) { Destroy(input); }

// ---- Sound ------------------------------------------------------------------------

AudioMixer& SoundSystemMixer(SoundSystem*) { return B().mixer; }

int32_t DirectSoundCreate(SoundSystem** out)
{
    if (int32_t r = Injected(HeadlessCall::DirectSoundCreate))
        return r;
    *out = Make<SoundSystem>();
    return DS_OK;
}

int32_t SoundSetCooperativeLevel(SoundSystem*, WindowHandle, uint32_t)
{
    return Injected(HeadlessCall::SoundSetCooperativeLevel);
}

// Nothing renders while the program runs (only the clock's ticks do), so a
// buffer's voice joins the mix at once and never leaves it for a lock.
int32_t SoundCreateBuffer(SoundSystem* sound, const SoundBufferDesc* desc, SoundBuffer** out)
{
    if (int32_t r = Injected(HeadlessCall::CreateSoundBuffer))
        return r;
    if (!desc || !desc->format || desc->bufferBytes == 0 || desc->bufferBytes > HeadlessMaxSoundBytes)
        return DSERR_INVALIDPARAM;
    MixerVoice* voice = MixerClaimVoice(B().mixer, desc->bufferBytes, desc->format->samplesPerSecond);
    if (!voice)
        return DSERR_GENERIC;
    SoundBuffer* buffer = Make<SoundBuffer>();
    buffer->system = sound;
    buffer->voice = voice;
    MixerAttach(*voice);
    *out = buffer;
    return DS_OK;
}

namespace {

// A call on a buffer: refused without one, else the injected result.  The
// frequency and volume calls are counted too.
int32_t BufferCall(SoundBuffer* buffer, HeadlessCall call)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    if (call == HeadlessCall::SetFrequency || call == HeadlessCall::SetVolume)
        B().soundCalls++;
    return Injected(call);
}

}  // namespace

int32_t SoundBufferSetFrequency(SoundBuffer* buffer, uint32_t frequency)
{
    if (int32_t r = BufferCall(buffer, HeadlessCall::SetFrequency))
        return r;
    return MixerSetRate(*buffer->voice, frequency);
}

int32_t SoundBufferSetVolume(SoundBuffer* buffer, int32_t volume)
{
    if (int32_t r = BufferCall(buffer, HeadlessCall::SetVolume))
        return r;
    return MixerSetVolume(*buffer->voice, volume);
}

int32_t SoundBufferSetPan(SoundBuffer* buffer, int32_t pan)
{
    if (int32_t r = BufferCall(buffer, HeadlessCall::SetPan))
        return r;
    buffer->pan = pan;
    return DS_OK;
}

int32_t SoundBufferPlay(SoundBuffer* buffer, uint32_t)
{
    if (int32_t r = BufferCall(buffer, HeadlessCall::Play))
        return r;
    buffer->voice->playing.store(true);
    return DS_OK;
}

int32_t SoundBufferLock(SoundBuffer* buffer, uint32_t, uint32_t, void** region1, uint32_t* bytes1,
                        void** region2, uint32_t* bytes2, uint32_t)
{
    if (int32_t r = Injected(HeadlessCall::SoundLock))
        return r;
    if (!buffer)
        return DSERR_INVALIDPARAM;
    LockWholeBuffer(*buffer, region1, bytes1, region2, bytes2);
    return DS_OK;
}

int32_t SoundBufferUnlock(SoundBuffer*, void*, uint32_t, void*, uint32_t)
{
    return Injected(HeadlessCall::SoundUnlock);
}

void SoundBufferRelease(SoundBuffer* buffer)
{
    if (buffer)
        MixerDetach(*buffer->voice);
    Destroy(buffer);
}
void SoundRelease(SoundSystem* sound)
{
    if (sound)
        StreamClose(B().mixer.stream);
    Destroy(sound);
}

// The stream converts at exactly the chip's rate to HeadlessAudioRate:
// nothing plays in real time here, so nothing is steered.
int32_t SoundStreamSetRate(SoundSystem* sound, double levelsPerSecond)
{
    if (!sound)
        return DSERR_INVALIDPARAM;
    SoundStream& stream = B().mixer.stream;
    stream.outputRate.store(HeadlessAudioRate);
    return StreamSetInputRate(stream, levelsPerSecond, false) ? DS_OK : DSERR_INVALIDPARAM;
}
