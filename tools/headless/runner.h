// The runner's plan: what happens at which emulated frame (headless tick).
// Command-line options and script files both become a list of steps that
// run in order; a wait lets the machine run on for some frames.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct PcKey;

struct RunStep {
    // AwaitBasic waits until BootFrames frames have passed since power-on.
    enum Kind { Wait, AwaitBasic, KeyDown, KeyUp, ScreenText, Screenshot, Wav, Action } kind;
    long frames = 0;               // Wait
    const PcKey* key = nullptr;    // KeyDown, KeyUp
    std::string path;              // outputs; empty screen-text path: standard output
    std::function<bool()> action = nullptr;   // Action: false ends the run with exit code 1
    char typed = 0;                // KeyDown of typed text: the character typed
};
using RunPlan = std::vector<RunStep>;

// Frames the machine needs from power-on to BASIC's READY prompt, with a
// margin; --type waits this long before the first key, and a script's
// type, load and run wait until this frame.
constexpr long BootFrames = 60;
// Each typed key is held long enough for the KERNAL's keyboard scan, which
// runs once a frame, and released long enough for the scan to see it go.
constexpr long TypeHoldFrames = 3;
constexpr long TypeGapFrames = 2;
constexpr long DefaultPressFrames = 2;
// A key pressed again right after its release is first seen up this long,
// so that the two presses stay two.
constexpr long PressGapFrames = TypeGapFrames;

// A number of frames, on the command line or in a script: a whole decimal
// number up to MaxFrames (about 231 days of the machine's time), which no
// run reaches, so that a mistyped huge number is refused rather than run.
constexpr long MaxFrames = 999'999'999;
bool ParseFrameCount(std::string_view text, long& count);
// The rule, for messages.
constexpr const char* FrameCountRule = "takes a whole number of frames up to 999999999";

// The file name resolved against the directory the runner started in.
// Call while the plan is made, before the machine starts.
std::string StartDirectoryPath(std::string_view name);

// Appends the keys that type text (letters, digits, space, common signs,
// "\n" or a line feed for RETURN, "\\" for a backslash).  False with an
// error text for a character the machine's keyboard cannot type.
bool AddTyping(std::string_view text, RunPlan& plan, std::string& error);
// Appends the commands of a script; false with "source:line: message".
bool AddScriptText(const std::string& text, const std::string& source, RunPlan& plan, std::string& error);
bool AddScriptFile(const std::string& path, RunPlan& plan, std::string& error);
bool PlanWritesWav(const RunPlan& plan);

// Runs the plan from the current frame on (call after start-up).  When it
// is done and at least minimumFrames frames have passed, atEnd runs and the
// process ends with exit code 0 — also from inside a menu or the debugger,
// whose loops never return to the runner by themselves.
void StartRun(RunPlan plan, long minimumFrames, std::function<void()> atEnd);

// "cannot write PATH: why", after an output's save failed.
std::string CannotWriteMessage(const std::string& path);

// What the machine played over the run, for --wav and wav: from the start
// of the machine's first frame (run_sound.cpp).  The runner notes the
// first frame end when the run starts.
std::vector<int16_t> RunSound();
void NoteFirstFrameEnd();

// 16-bit mono PCM WAV, through the safe save: a failure keeps the earlier file.
bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate);
