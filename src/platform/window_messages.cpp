#include "platform/window_messages.h"

#include <deque>

PlatformWindow TheWindow;

namespace {

std::deque<Message> Queue;
bool QuitPosted = false;
int QuitCode = 0;

Message QuitMessage() { return {nullptr, WM_QUIT, static_cast<uintptr_t>(QuitCode), 0}; }

}  // namespace

void PostToWindow(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (TheWindow.alive)
        Queue.push_back({&TheWindow, message, wParam, lParam});
}

bool MessageWaiting() { return !Queue.empty() || QuitPosted; }
size_t QueuedMessageCount() { return Queue.size(); }

void ResetMessageQueue()
{
    Queue.clear();
    QuitPosted = false;
    QuitCode = 0;
}

// ---- Window ------------------------------------------------------------

void RegisterWindowClass() {}

void DestroyPlatformWindow(WindowHandle window)
{
    if (!window || !window->alive)
        return;
    window->alive = false;
    WindowProc(window, WM_DESTROY, 0, 0);
    ReleasePlatformWindow();
}

intptr_t DefWindowProc(WindowHandle window, uint32_t message, uintptr_t, intptr_t)
{
    if (message == WM_CLOSE)
        DestroyPlatformWindow(window);
    return 0;
}

// ---- Message queue -------------------------------------------------------

bool PeekMessage(Message* message)
{
    PumpPlatformEvents();
    if (!Queue.empty()) {
        *message = Queue.front();
        return true;
    }
    if (QuitPosted) {
        *message = QuitMessage();
        return true;
    }
    return false;
}

bool GetMessage(Message* message)
{
    PumpPlatformEvents();
    while (!MessageWaiting()) {
        if (!AwaitPlatformEvents(message))
            return message->message != WM_QUIT;
    }
    if (!Queue.empty()) {
        *message = Queue.front();
        Queue.pop_front();
        return true;
    }
    QuitPosted = false;
    *message = QuitMessage();
    return false;
}

void TranslateMessage(const Message*) {}

// A message left for a window that has since been destroyed goes nowhere.
intptr_t DispatchMessage(const Message* message)
{
    if (message->window && !message->window->alive)
        return 0;
    return WindowProc(message->window, message->message, message->wParam, message->lParam);
}

void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Queue.push_back({window, message, wParam, lParam});
}

void PostQuitMessage(int exitCode)
{
    QuitPosted = true;
    QuitCode = exitCode;
}
