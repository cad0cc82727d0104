// The main window's procedure: hot keys become request flags for the main
// loop, activation pauses and resumes, destruction ends the program.
#include <cstdarg>
#include <cstdio>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/key_input.h"
#include "platform/setup.h"

namespace {
constexpr const char* WindowTitle = "Ravlin - The C16/Plus4 Emulator";

intptr_t HandleHotKey(WindowHandle window, uint32_t message, uintptr_t key, intptr_t lParam)
{
    switch (key) {
    case VK_SHIFT: ShiftHeld = 1; return 0;
    case VK_F5:   // F5 and F10 have no place on the machine's keyboard
        if (lParam & (intptr_t{1} << 30)) return 0;   // a key repeat
        if (ShiftHeld) CopyScreenToClipboard();
        else PasteClipboard();
        return 0;
    case VK_F10:
        // Key repeats would flip it back and forth.
        if (!(lParam & (intptr_t{1} << 30)))
            ToggleWarp();
        return 0;
    case VK_F6: ScreenshotRequest = 1; return 0;
    case VK_F7: OptionsMenuRequest = 1; return 0;
    case VK_F8:
        if (ShiftHeld) SaveMenuRequest = 1;
        else LoadMenuRequest = 1;
        return 0;
    case VK_F9:
        if (ShiftHeld) StatusLineOn = static_cast<uint16_t>(1 - StatusLineOn);
        else DebuggerRequest = 1;
        return 0;
    case VK_F11:
        if (ShiftHeld) HardResetRequest = 1;
        else SoftResetRequest = 1;
        return 0;
    case VK_F12:
        PostMessage(window, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefWindowProc(window, message, key, lParam);
    }
}

intptr_t HandleKeyUp(WindowHandle window, uint32_t message, uintptr_t key, intptr_t lParam)
{
    if (key == VK_SHIFT) {
        ShiftHeld = 0;
        return 0;
    }
    return DefWindowProc(window, message, key, lParam);
}

}  // namespace

WindowHandle CreateMainWindow(int showState)
{
    RegisterWindowClass();
    LogLine("Info: Window class registered.\n");
    WindowHandle window = CreatePlatformWindow(CurrentWindowTitle().c_str());   // names the model
    if (!window)
        return nullptr;
    MainWindow = window;
    ShowPlatformWindow(window, showState);
    LogLine("Info: Main window successfully opened.\n");
    return window;
}

intptr_t WindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_DESTROY:
        SetPriorityClass(SavedPriorityClass);
        ReleaseAll();
        if (MainWindow == window)
            MainWindow = nullptr;
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATEAPP:
        AppActive = (wParam == 1 || wParam == 2) ? 1 : 0;
        // An inactive window hears no keys (their releases included) and
        // plays no sound.
        if (!AppActive)
            KeyInputReleaseAll();
        UpdateSoundMute();
        return 0;
    case WM_SETCURSOR:
        return 1;   // no pointer over the window
    case WM_KEYDOWN:
        // While the load menu is requested, key-downs count as key-ups, so
        // no other hot key can sneak in before the menu opens.
        if (LoadMenuRequest)
            return HandleKeyUp(window, message, wParam, lParam);
        return HandleHotKey(window, message, wParam, lParam);
    case WM_KEYUP:
        return HandleKeyUp(window, message, wParam, lParam);
    default:
        return DefWindowProc(window, message, wParam, lParam);
    }
}

int32_t ReportError(WindowHandle window, int32_t code, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ReleaseAll();
    ShowMessageBox(window, text, WindowTitle);
    DestroyPlatformWindow(window);
    if (Config.Log) {
        CloseLog();
        Config.Log = 0;
    }
    return code;
}
