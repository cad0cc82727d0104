// Shared between the files of the web backend and the page's program
// (tools/web): the browser's side of the device layer.
//
// The page has one thread.  Whatever waits inside a menu or the debugger
// (the vertical blank, a menu that polls the keyboard) hands the thread
// back to the browser through WebYield, which suspends the call stack
// (emscripten's ASYNCIFY) and resumes it from the browser's timer; key
// events, sound requests and files arrive meanwhile through the exported
// functions.  The machine's own frames run without waiting: the page's
// program paces them between calls.
#pragma once
#include <cstdint>

// Gives the browser the thread for `milliseconds` (0: one turn of its event
// loop), then carries on where it stopped.
void WebYield(double milliseconds);
// Whether WebYield may suspend the call stack: not while the fast slice
// runs, whose code cannot be suspended (its waits then return at once).
void WebAllowWaits(bool allowed);
// The browser's monotonic clock, in milliseconds.
double WebNow();
// Time since the browser last had the thread.
double WebMillisecondsSinceYield();
// The page's program calls this when it hands the thread back itself.
void WebNoteYield();
// Counts the turns the browser has had.
uint64_t WebYieldCount();

// Puts the last presented picture on the canvas, if it has not been yet.
// Called whenever the thread goes back to the browser.
void WebShowPicture();
