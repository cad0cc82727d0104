// The keyboard device in the browser: the page's key events, by the key's
// place on the keyboard (KeyboardEvent.code) and the character it typed
// (KeyboardEvent.key), fed to the key input shared with the desktop, which
// answers the state reads with the symbolic or the positional map.  The
// gamepads and pasted text arrive here too.
#include <emscripten.h>

#include <string_view>

#include "input/key_codes.h"
#include "platform/devices.h"
#include "platform/gamepad.h"
#include "platform/key_input.h"
#include "platform/window_messages.h"

struct InputSystem {
    int unused = 0;
};

struct KeyboardDevice {
    bool acquired = false;
};

namespace {

struct CodeRow {
    const char* code;   // KeyboardEvent.code
    uint8_t scanCode;   // DIK_
};

// Every key by its place on a US keyboard.
constexpr CodeRow Codes[] = {
    {"Escape", DIK_ESCAPE}, {"Digit1", DIK_1}, {"Digit2", DIK_2}, {"Digit3", DIK_3}, {"Digit4", DIK_4},
    {"Digit5", DIK_5}, {"Digit6", DIK_6}, {"Digit7", DIK_7}, {"Digit8", DIK_8}, {"Digit9", DIK_9},
    {"Digit0", DIK_0}, {"Minus", DIK_MINUS}, {"Equal", DIK_EQUALS}, {"Backspace", DIK_BACK}, {"Tab", DIK_TAB},
    {"KeyQ", DIK_Q}, {"KeyW", DIK_W}, {"KeyE", DIK_E}, {"KeyR", DIK_R}, {"KeyT", DIK_T}, {"KeyY", DIK_Y},
    {"KeyU", DIK_U}, {"KeyI", DIK_I}, {"KeyO", DIK_O}, {"KeyP", DIK_P},
    {"BracketLeft", DIK_LBRACKET}, {"BracketRight", DIK_RBRACKET}, {"Enter", DIK_RETURN},
    {"ControlLeft", DIK_LCONTROL},
    {"KeyA", DIK_A}, {"KeyS", DIK_S}, {"KeyD", DIK_D}, {"KeyF", DIK_F}, {"KeyG", DIK_G}, {"KeyH", DIK_H},
    {"KeyJ", DIK_J}, {"KeyK", DIK_K}, {"KeyL", DIK_L}, {"Semicolon", DIK_SEMICOLON}, {"Quote", DIK_APOSTROPHE},
    {"Backquote", DIK_GRAVE}, {"ShiftLeft", DIK_LSHIFT}, {"Backslash", DIK_BACKSLASH},
    {"KeyZ", DIK_Z}, {"KeyX", DIK_X}, {"KeyC", DIK_C}, {"KeyV", DIK_V}, {"KeyB", DIK_B}, {"KeyN", DIK_N},
    {"KeyM", DIK_M}, {"Comma", DIK_COMMA}, {"Period", DIK_PERIOD}, {"Slash", DIK_SLASH},
    {"ShiftRight", DIK_RSHIFT}, {"NumpadMultiply", DIK_MULTIPLY}, {"AltLeft", DIK_LMENU}, {"Space", DIK_SPACE},
    {"CapsLock", DIK_CAPITAL},
    {"F1", DIK_F1}, {"F2", DIK_F2}, {"F3", DIK_F3}, {"F4", DIK_F4}, {"F5", DIK_F5}, {"F6", DIK_F6},
    {"F7", DIK_F7}, {"F8", DIK_F8}, {"F9", DIK_F9}, {"F10", DIK_F10}, {"F11", DIK_F11}, {"F12", DIK_F12},
    {"NumLock", DIK_NUMLOCK}, {"ScrollLock", DIK_SCROLL},
    {"Numpad7", DIK_NUMPAD7}, {"Numpad8", DIK_NUMPAD8}, {"Numpad9", DIK_NUMPAD9}, {"NumpadSubtract", DIK_SUBTRACT},
    {"Numpad4", DIK_NUMPAD4}, {"Numpad5", DIK_NUMPAD5}, {"Numpad6", DIK_NUMPAD6}, {"NumpadAdd", DIK_ADD},
    {"Numpad1", DIK_NUMPAD1}, {"Numpad2", DIK_NUMPAD2}, {"Numpad3", DIK_NUMPAD3}, {"Numpad0", DIK_NUMPAD0},
    {"NumpadDecimal", DIK_DECIMAL}, {"IntlBackslash", DIK_OEM_102},
    {"NumpadEnter", DIK_NUMPADENTER}, {"ControlRight", DIK_RCONTROL}, {"NumpadDivide", DIK_DIVIDE},
    {"PrintScreen", DIK_SYSRQ}, {"AltRight", DIK_RMENU}, {"Pause", DIK_PAUSE},
    {"Home", DIK_HOME}, {"ArrowUp", DIK_UP}, {"PageUp", DIK_PRIOR}, {"ArrowLeft", DIK_LEFT},
    {"ArrowRight", DIK_RIGHT}, {"End", DIK_END}, {"ArrowDown", DIK_DOWN}, {"PageDown", DIK_NEXT},
    {"Insert", DIK_INSERT}, {"Delete", DIK_DELETE},
    {"MetaLeft", DIK_LWIN}, {"MetaRight", DIK_RWIN}, {"ContextMenu", DIK_APPS},
};

uint8_t ScanCodeOf(std::string_view code)
{
    for (const CodeRow& row : Codes)
        if (code == row.code)
            return row.scanCode;
    return 0;
}

}  // namespace

// From the page: one key event.  `character` is the one character the key
// typed (0 for a key that names no character, such as Enter or F7);
// `repeat` marks the keyboard's own repeats (the machine repeats a held
// key by itself, but for an unpaced machine each is one more tap).
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebKey(int down, int character, const char* code, int keyCode, int repeat)
{
    const uint8_t position = ScanCodeOf(code ? code : "");
    if (position != 0 && repeat && down)
        KeyInputRepeat(position);
    if (position != 0 && !repeat) {
        if (down)
            KeyInputDown(position, static_cast<uint32_t>(character));
        else
            KeyInputUp(position);
    }
    const uintptr_t virtualKey = static_cast<uintptr_t>(keyCode) & 0xFF;
    if (virtualKey != 0) {
        // Bit 30: the key was already down; bit 31: it is going up.
        const intptr_t flags = down ? (repeat ? intptr_t{1} << 30 : 0) : (intptr_t{3} << 30);
        PostToWindow(down ? WM_KEYDOWN : WM_KEYUP, virtualKey, flags | 1);
    }
}

// The page lost the keyboard: every key is up, Shift for the window too.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebBlur()
{
    KeyInputReleaseAll();
    PostToWindow(WM_KEYUP, VK_SHIFT, (intptr_t{3} << 30) | 1);
}

// The first gamepad: bits 0-4 the pad's up, down, left, right and any face
// button; the left stick from -32768 to 32767.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebGamepad(int bits, int stickX, int stickY)
{
    GamepadReading reading{};
    reading.up = bits & 1;
    reading.down = bits & 2;
    reading.left = bits & 4;
    reading.right = bits & 8;
    reading.fire = bits & 16;
    reading.stickX = static_cast<int16_t>(stickX);
    reading.stickY = static_cast<int16_t>(stickY);
    SetGamepad(reading);
}

// Text pasted into the page (UTF-8), typed on the machine.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebPaste(const char* text)
{
    if (text)
        KeyInputTypeText(text);
}

int32_t DirectInputCreate(uint32_t, InputSystem** out)
{
    *out = new InputSystem();
    return DI_OK;
}

int32_t InputCreateKeyboard(InputSystem* input, KeyboardDevice** out)
{
    if (!input)
        return DIERR_NOTACQUIRED;
    *out = new KeyboardDevice();
    return DI_OK;
}

int32_t KeyboardSetDataFormat(KeyboardDevice*) { return DI_OK; }
int32_t KeyboardSetCooperativeLevel(KeyboardDevice*, WindowHandle, uint32_t) { return DI_OK; }

int32_t KeyboardAcquire(KeyboardDevice* keyboard)
{
    keyboard->acquired = true;
    return DI_OK;
}

int32_t KeyboardUnacquire(KeyboardDevice* keyboard)
{
    keyboard->acquired = false;
    return DI_OK;
}

int32_t KeyboardGetState(KeyboardDevice* keyboard, uint8_t state[256])
{
    if (!keyboard->acquired)
        return DIERR_NOTACQUIRED;
    KeyInputState(state);
    return DI_OK;
}

void KeyboardRelease(KeyboardDevice* keyboard) { delete keyboard; }
void InputRelease(InputSystem* input) { delete input; }
