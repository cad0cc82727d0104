// The main window and its message queue as every backend has them: one
// window object, alive from its creation until WM_DESTROY; one queue, in
// which the messages the program posts and those a backend makes of the
// desktop's events wait their turn; and the quit message, answered once
// the queue is empty.  The device-layer functions that do nothing else
// (PeekMessage, GetMessage, PostMessage, DispatchMessage, DefWindowProc,
// DestroyPlatformWindow...) are written once, in window_messages.cpp.
//
// A backend creates and shows the window, shows message boxes, waits in
// WaitMessage, and supplies the three functions at the end of this file.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/devices.h"

struct PlatformWindow {
    bool alive = false;
};

// The one main window; CreatePlatformWindow hands out this object.
extern PlatformWindow TheWindow;

// A message from the desktop's events for the main window: queued while
// the window is alive, dropped otherwise.
void PostToWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);
// A message (or the quit message) waits in the queue.
bool MessageWaiting();
size_t QueuedMessageCount();
// The queue emptied and no quit posted (ResetPlatformBackend).
void ResetMessageQueue();

// ---- Supplied by each backend -------------------------------------------
// Brings the desktop's events into the queue (PostToWindow); called before
// every look at the queue.
void PumpPlatformEvents();
// GetMessage found the queue empty: waits until a message may have come
// (true), or, when none can come (no display, nothing scripted, a page that
// cannot wait), fills `instead` with what GetMessage answers (false).
bool AwaitPlatformEvents(Message* instead);
// DestroyPlatformWindow has sent WM_DESTROY: the platform's window goes.
void ReleasePlatformWindow();
