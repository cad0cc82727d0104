// Test and runner controls of the headless backend: a virtual clock,
// scripted keys and messages, captured frames and sound state, and fault
// injection for every set-up call.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/devices.h"
#include "platform/display_objects.h"

enum class HeadlessCall : int {
    AllocateBlock,
    CreateWindow,
    DirectDrawCreate,
    QueryInterface,
    DisplaySetCooperativeLevel,
    SetDisplayMode,
    CreateSurface,
    CreatePalette,
    SetPalette,
    SurfaceLock,
    WaitForVerticalBlank,
    DirectInputCreate,
    CreateDevice,
    SetDataFormat,
    KeyboardSetCooperativeLevel,
    Acquire,
    GetDeviceState,
    DirectSoundCreate,
    SoundSetCooperativeLevel,
    CreateSoundBuffer,
    SetFrequency,
    SetPan,
    SetVolume,
    Play,
    SoundLock,
    SoundUnlock,
    SurfaceUnlock,
    SurfaceRestore,
    Count
};

// The occurrence-th call (1 = the next) of that kind returns result, for
// `times` calls in a row.  For CreateWindow and AllocateBlock any nonzero
// result makes the call fail.
void HeadlessInjectFault(HeadlessCall call, int32_t result, int occurrence = 1, int times = 1);
void HeadlessClearFaults();

// Virtual clock in nanoseconds; QueryPerformanceFrequency is 1e9.  It moves
// only when the emulator waits (vertical blank, SleepUntilCounter) or when
// a test advances it.
int64_t HeadlessClockNow();
void HeadlessAdvanceClock(int64_t nanoseconds);
constexpr int64_t HeadlessRefreshPeriod = 20'000'000;   // a 50 Hz display

// Ticks: every presented picture (an unlock of the primary surface) and
// every vertical-blank wait is one tick.  Scripted events fire at ticks.
uint64_t HeadlessTicks();
void HeadlessAtTick(uint64_t tick, std::function<void()> event);

// Keyboard.
void HeadlessSetKey(uint8_t scanCode, bool down);
void HeadlessClearKeys();
// A key pressed now that reads as down until the next tick, or until the
// keyboard state has been read 64 times in a row without a tick (a program
// spinning until the key is released).
void HeadlessTapKey(uint8_t scanCode);
// The next state read answers DIERR_INPUTLOST until the device is acquired.
void HeadlessLoseInput();
int HeadlessAcquireCount();

// Messages: the sent key messages reach the window procedure through the
// queue, as the desktop's would.
void HeadlessPostKeyMessage(uint32_t virtualKey, bool down);
size_t HeadlessQueuedMessages();

// Display.  A captured frame is the primary surface's picture as it was
// presented.
using HeadlessFrame = IndexedPicture;
// Extra bytes added to each surface row (tests of pitch handling).
void HeadlessSetPitchPadding(int32_t bytes);
const HeadlessFrame& HeadlessLastPresented();
uint64_t HeadlessPresentedCount();
void HeadlessOnPresent(std::function<void(const HeadlessFrame&)> callback);
std::vector<std::pair<uint32_t, uint32_t>> HeadlessModeHistory();
// Drawing on demand: off (the default), every frame is drawn and presented,
// for whoever looks at any time.  On (the runner), RunMainLoop draws only
// the frames up to an event due within HeadlessLookAheadTicks, those while
// messages wait, and all of them while an OnPresent callback is set; the
// frames between tick as presented ones do, their pictures not copied.
void HeadlessDrawOnDemand(bool on);
constexpr uint64_t HeadlessLookAheadTicks = 4;
const PaletteEntry* HeadlessPalette();   // null until a palette exists
uint32_t HeadlessCooperativeLevel();
int HeadlessRestoreCount();            // Restore calls on the primary surface

// Sound.
struct HeadlessSoundState {
    bool exists = false;
    uint32_t frequency = 0;        // 0 = the format's own rate
    int32_t volume = 0;
    int32_t pan = 0;
    bool playing = false;
    std::vector<uint8_t> data;
    uint32_t samplesPerSecond = 0;
};
HeadlessSoundState HeadlessSoundBuffer(SoundBuffer* buffer);
// What the sound buffers played, mixed as the speaker would hear it: while
// capturing, every tick renders 1/50 s of mono samples at HeadlessAudioRate.
// Off until turned on; ResetPlatformBackend turns it off and empties it.
constexpr uint32_t HeadlessAudioRate = 44100;
constexpr uint32_t HeadlessMaxSoundBytes = 1u << 24;   // larger buffers are refused
void HeadlessCaptureAudio(bool on);
const std::vector<int16_t>& HeadlessAudio();
int HeadlessSoundCallCount();          // volume and frequency calls made
int HeadlessLiveObjectCount();         // device objects not yet released

// The window title set last, the clipboard, and the sound's mute switch.
const std::string& HeadlessWindowTitle();
void HeadlessSetClipboard(const std::string& text);
bool HeadlessSoundMuted();

// Message boxes shown, in order (also printed to standard error).
const std::vector<std::string>& HeadlessMessageBoxes();
uint32_t HeadlessPriorityClass();
