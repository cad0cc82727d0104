// The web page's program: starts the machine once the page has put the ROM
// images and the settings into the in-memory file system, runs it in
// slices that hand the thread back to the browser, keeps the text mirror
// below the canvas up to date (at the end of each slice: at most once a
// frame), and starts the files the user opens.
#include <emscripten.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <system_error>
#include <string>

#include "files/snapshot_file.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/start_file.h"
#include "platform/web/web_backend.h"
#include "tape/datassette.h"
#include "ted/ted_state.h"

namespace {

// A slice runs whole frames for about this long before the browser gets
// the thread back (when the frames themselves do not wait).
constexpr double SliceMilliseconds = 12.0;
// With 50 Hz pacing a frame starts this long before it is due.
constexpr double FrameEarlyStart = 1.5;
bool Running = false;
std::string ShownText;
std::deque<std::string> FilesToStart;

// How the page calls the next slice: at once, after the display's next
// refresh, after a delay in milliseconds, or the careful slice at once.
constexpr int SliceAtOnce = 0;
constexpr int SliceAtRefresh = 1;
constexpr int SliceAfterDelay = 2;
constexpr int SliceCareful = 3;

}  // namespace

EM_JS(void, WebScheduleSlice, (int kind, double delay), { Module.ravlinScheduleSlice(kind, delay); });
EM_JS(void, WebSetScreenText, (const char* text), { Module.ravlinScreenText(UTF8ToString(text)); });
EM_JS(void, WebEnded, (int code), { Module.ravlinEnded(code); });
EM_JS(void, WebFileMessage, (const char* text), { Module.ravlinMessage(UTF8ToString(text)); });

namespace {

// Starting a file, as the desktop program starts the file it is given (a
// snapshot is restored, a program loaded once BASIC is up and RUN).  A
// problem is shown on the page and the file is not started.
void StartFile(const std::string& name)
{
    std::string problem;
    const StartFileKind kind = ExamineStartFile(name, &problem);
    std::error_code error;
    // A snapshot of another size is not one this machine saved: restoring
    // part of it would leave the machine in no state it ever had.
    if (kind == StartFileKind::Snapshot && std::filesystem::file_size(name, error) != SnapshotFileSize)
        problem = name + ": not a snapshot (a snapshot has 65,608 bytes)";
    else if (kind != StartFileKind::Unknown && RequestStartFile(name))
        return;
    WebFileMessage(problem.c_str());
}

void ServeFiles()
{
    while (!FilesToStart.empty()) {
        StartFile(FilesToStart.front());
        FilesToStart.pop_front();
    }
}

void UpdateScreenText()
{
    std::string text = ScreenText();
    if (text == ShownText)
        return;
    ShownText = std::move(text);
    WebSetScreenText(ShownText.c_str());
}

void End(int exitCode)
{
    Running = false;
    WebEnded(exitCode);
}

// The window messages the page's events left, dispatched as the main loop
// dispatches them.  False once the quit message has come (the window was
// closed: F12), with its exit code.
bool DispatchWindowMessages(int* exitCode)
{
    Message message;
    while (PeekMessage(&message)) {
        if (!GetMessage(&message)) {
            *exitCode = static_cast<int>(message.wParam);
            return false;
        }
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    return true;
}

bool NeedsCarefulSlice()
{
    return (ScreenshotRequest | OptionsMenuRequest | LoadMenuRequest | SaveMenuRequest | DebuggerRequest |
            SoftResetRequest | HardResetRequest) != 0 ||
           BreakpointEnabled == 1;
}

// The pacing between frames: none, the display's refresh (the vertical
// blank), or 50 frames a second.  For the last, the next frame starts a
// little before its time is due, and the frame end's own wait takes up the
// rest.  Warp, and TapeWarp while the tape moves, run unpaced.
bool Unpaced() { return Config.Sync == 0 || WarpOn || TapeWarpActive(); }

void ScheduleNextFrame()
{
    switch (Unpaced() ? 0 : Config.Sync) {
    case 1: WebScheduleSlice(SliceAtRefresh, 0); break;
    case 2: {
        const double due = static_cast<double>(LastFrameTime + FramePeriod - QueryPerformanceCounter()) * 1000.0 /
                           static_cast<double>(QueryPerformanceFrequency());
        WebScheduleSlice(SliceAfterDelay, due - FrameEarlyStart);
        break;
    }
    default: WebScheduleSlice(SliceAtOnce, 0); break;
    }
}

}  // namespace

// From the page, once the ROM images and the settings are in place.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebStart()
{
    WebNoteYield();
    // The in-memory file system starts with a umask that masks every
    // permission away, so that saved files could not be opened again.
    umask(022);
    int exitCode = 0;
    if (!StartUp(1, &exitCode)) {
        End(exitCode);
        return;
    }
    Running = true;
    WebScheduleSlice(SliceAtOnce, 0);
}

// The fast slice: whole frames through RunMainLoop, which must never wait
// (it is left as compiled, without the rewriting that lets a call stack be
// suspended: see build.sh).  Its waits at the frame end return at once, and
// the pacing is done here, by when the next slice is asked for.  A request
// for a menu, the debugger or a reset, and an armed breakpoint, go to the
// careful slice instead.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebSlice()
{
    if (!Running)
        return;
    WebNoteYield();
    int exitCode = 0;
    if (!DispatchWindowMessages(&exitCode)) {
        End(exitCode);
        return;
    }
    ServeFiles();
    if (NeedsCarefulSlice()) {
        WebScheduleSlice(SliceCareful, 0);
        return;
    }
    WebAllowWaits(false);
    const double start = WebNow();
    bool running = true;
    do {
        running = RunMainLoop(&exitCode, Ted.FramesCompleted + 1);
    } while (running && Unpaced() && WebNow() - start < SliceMilliseconds && !NeedsCarefulSlice());
    WebAllowWaits(true);
    UpdateScreenText();
    WebShowPicture();
    if (!running) {
        End(exitCode);
        return;
    }
    ScheduleNextFrame();
}

// The careful slice: one frame of single passes (MainLoopPass), which may
// wait anywhere: a menu or the debugger runs inside it for as long as the
// user keeps it open, handing the thread to the browser at each of its
// waits.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebCarefulSlice()
{
    if (!Running)
        return;
    WebNoteYield();
    const uint64_t frame = Ted.FramesCompleted;
    int exitCode = 0;
    do {
        if (!MainLoopPass(&exitCode)) {
            UpdateScreenText();
            End(exitCode);
            return;
        }
    } while (Ted.FramesCompleted == frame && NeedsCarefulSlice());
    UpdateScreenText();
    WebShowPicture();
    ScheduleNextFrame();
}

// From the page: a file the user opened (it is already in the current
// directory); it starts at the next frame.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebOpenFile(const char* name)
{
    FilesToStart.push_back(name ? name : "");
}

// Frames the machine has run since power-on (for the benchmark).
extern "C" EMSCRIPTEN_KEEPALIVE double RavlinWebFrames()
{
    return static_cast<double>(Ted.FramesCompleted);
}

int main() { return 0; }
