// The window, the browser's side of the message queue
// (platform/window_messages.h), the clock, priority and memory in the
// browser.  The "window" is the page's canvas; it is active for as long as
// the page runs (a page in the background is slowed by the browser itself,
// so the machine never waits for an activation message that a hidden page
// would not get).
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/devices.h"
#include "platform/web/web_backend.h"
#include "platform/window_messages.h"

namespace {

double LastYield = 0;
uint64_t Yields = 0;
bool WaitsAllowed = true;

}  // namespace

EM_JS(double, WebClockNow, (), { return performance.now(); });
EM_JS(void, WebShowMessage, (const char* caption, const char* text), {
    if (Module.ravlinMessage) Module.ravlinMessage(UTF8ToString(caption), UTF8ToString(text));
});
EM_JS(void, WebShowTitle, (const char* title), {
    if (Module.ravlinTitle) Module.ravlinTitle(UTF8ToString(title));
});
EM_JS(void, WebCopyText, (const char* text), {
    if (Module.ravlinCopyText) Module.ravlinCopyText(UTF8ToString(text));
});

double WebNow() { return WebClockNow(); }
double WebMillisecondsSinceYield() { return WebClockNow() - LastYield; }
void WebNoteYield()
{
    LastYield = WebClockNow();
    Yields++;
}
uint64_t WebYieldCount() { return Yields; }

void WebAllowWaits(bool allowed) { WaitsAllowed = allowed; }

void WebYield(double milliseconds)
{
    if (!WaitsAllowed)
        return;
    WebShowPicture();
    emscripten_sleep(static_cast<unsigned>(milliseconds > 0 ? milliseconds : 0));
    WebNoteYield();
}

// ---- Window --------------------------------------------------------------

WindowHandle CreatePlatformWindow(const char*)
{
    TheWindow.alive = true;
    return &TheWindow;
}

void ShowPlatformWindow(WindowHandle window, int)
{
    if (window)
        WindowProc(window, WM_ACTIVATEAPP, 1, 0);
}

void ReleasePlatformWindow() {}

// The page shows it in its message line; nothing blocks.
void ShowMessageBox(WindowHandle, const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    WebShowMessage(caption, text);
}

// The title: the page's title, and the line above the picture that shows
// the passing messages (a file that could not start, the warp speed).
void SetPlatformWindowTitle(WindowHandle, const char* title)
{
    WebShowTitle(title ? title : "");
}

// The browser hands out its clipboard only to a paste the user makes (the
// page types that text at once, see RavlinWebPaste); F5 finds it empty.
bool GetClipboardText(std::string*) { return false; }

bool SetClipboardText(const char* text)
{
    WebCopyText(text ? text : "");
    return true;
}

// ---- Message queue ------------------------------------------------------

// The page's events are queued as they come (PostToWindow).
void PumpPlatformEvents() {}

bool AwaitPlatformEvents(Message* instead)
{
    // Messages come from the page's events, which arrive only while the
    // browser has the thread; every caller looks first (PeekMessage), so
    // an empty queue is answered with a message that means nothing rather
    // than waited on.
    *instead = {nullptr, 0, 0, 0};
    return false;
}

void WaitMessage()
{
    if (!MessageWaiting())
        WebYield(10);
}

void ResetPlatformBackend() { ResetMessageQueue(); }

// ---- Clock, priority, memory --------------------------------------------

// Microseconds: the browser's clock is coarser than that anyway.
int64_t QueryPerformanceFrequency() { return 1'000'000; }
int64_t QueryPerformanceCounter() { return static_cast<int64_t>(WebClockNow() * 1000.0); }

void SleepUntilCounter(int64_t counter)
{
    // The browser's timers fire late by a millisecond or more: sleep to
    // two milliseconds before the time and let the caller's loop spin the
    // rest, so that 50 frames a second stay 50.
    const double remaining = static_cast<double>(counter - QueryPerformanceCounter()) / 1000.0;
    if (remaining > 2.0)
        WebYield(remaining - 2.0);
}

uint32_t GetPriorityClass() { return NORMAL_PRIORITY_CLASS; }
void SetPriorityClass(uint32_t) {}   // the page's priority is the browser's

void* AllocateBlock(size_t bytes) { return std::calloc(1, bytes); }
void FreeBlock(void* block) { std::free(block); }
