// The web page's program: starts the machine once the page has put the ROM
// images and the settings into the in-memory file system, runs it in
// slices that hand the thread back to the browser, keeps the text mirror
// below the canvas up to date, and starts the files the user opens.
#include <emscripten.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <deque>
#include <string>

#include "files/program_file.h"
#include "files/snapshot_file.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/web/web_backend.h"
#include "screen_text.h"
#include "ted/ted_state.h"

namespace {

// A slice runs whole frames for about this long before the browser gets
// the thread back (when the frames themselves do not wait).
constexpr double SliceMilliseconds = 12.0;
// Frames from power-on until BASIC is at READY, with a margin.
constexpr uint64_t BootFrames = 120;
// A typed key is held long enough for the KERNAL's keyboard scan and
// released long enough for the scan to see it go.
constexpr uint64_t TypeHoldFrames = 3;
constexpr uint64_t TypeGapFrames = 2;

bool Running = false;
std::string ShownText;
std::deque<std::string> FilesToStart;

struct TypedKey {
    uint8_t scanCode;
    uint64_t downAt;   // frame numbers; 0 until scheduled
    uint64_t upAt;
};
std::deque<TypedKey> Typing;

}  // namespace

EM_JS(void, WebScheduleSlice, (), { Module.ravlinScheduleSlice(); });
EM_JS(void, WebSetScreenText, (const char* text), { Module.ravlinScreenText(UTF8ToString(text)); });
EM_JS(void, WebEnded, (int code), { Module.ravlinEnded(code); });
EM_JS(void, WebFileMessage, (const char* name, const char* text), {
    Module.ravlinMessage(UTF8ToString(name), UTF8ToString(text));
});

namespace {

bool HasExtension(const std::string& name, const char* extension)
{
    size_t length = std::strlen(extension);
    return name.size() > length && strcasecmp(name.c_str() + name.size() - length, extension) == 0;
}

void TypeKeys(const uint8_t* keys, size_t count)
{
    for (size_t i = 0; i < count; i++)
        Typing.push_back({keys[i], 0, 0});
}

// Presses and releases the typed keys, one at a time, by emulated frames.
void ServeTyping()
{
    if (Typing.empty())
        return;
    TypedKey& key = Typing.front();
    const uint64_t now = Ted.FramesCompleted;
    if (key.downAt == 0) {
        key.downAt = now;
        key.upAt = now + TypeHoldFrames;
        WebKeyEvent(true, key.scanCode, 0);
    } else if (now >= key.upAt + TypeGapFrames) {
        Typing.pop_front();
    } else if (now >= key.upAt) {
        WebKeyEvent(false, key.scanCode, 0);
    }
}

// Starting a file, as the desktop program starts the file it is given: a
// snapshot carries on from where it was saved; a program is loaded once
// BASIC is up, then RUN is typed.
// (This is where a start-a-file shared with the desktop program belongs.)
bool StartFile(const std::string& name)
{
    if (HasExtension(name, ".fre")) {
        if (!LoadSnapshotFile(name.c_str()))
            WebFileMessage(name.c_str(), "cannot be loaded as a snapshot");
        return true;
    }
    if (!HasExtension(name, ".prg")) {
        WebFileMessage(name.c_str(), "is not a program (.prg) or snapshot (.fre) file");
        return true;
    }
    if (Ted.FramesCompleted < BootFrames)
        return false;   // not yet: BASIC is still starting
    if (!LoadProgramFile(name.c_str())) {
        WebFileMessage(name.c_str(), "cannot be loaded as a program");
        return true;
    }
    constexpr uint8_t Run[] = {DIK_R, DIK_U, DIK_N, DIK_RETURN};
    TypeKeys(Run, sizeof Run);
    return true;
}

void ServeFiles()
{
    if (!FilesToStart.empty() && StartFile(FilesToStart.front()))
        FilesToStart.pop_front();
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
    WebScheduleSlice();
}

// One slice of the emulation; the page calls it again when asked.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebSlice()
{
    if (!Running)
        return;
    WebNoteYield();
    const double start = WebNow();
    do {
        ServeFiles();
        ServeTyping();
        int exitCode = 0;
        if (!RunMainLoop(&exitCode, Ted.FramesCompleted + 1)) {
            UpdateScreenText();
            End(exitCode);
            return;
        }
        UpdateScreenText();
    } while (WebNow() - start < SliceMilliseconds);
    WebScheduleSlice();
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
