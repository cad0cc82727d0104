// The keyboard device in the browser: the page's key events, by the key's
// place on the keyboard (KeyboardEvent.code), kept as the 256 DIK_ bytes the
// emulator reads.  A key pressed and released again before anyone looked
// (a quick tap, or keys from a script) still reads as held for a few frames
// and a few hundredths of a second, so that the machine's keyboard scan and
// the menus' key tests see it.
#include <emscripten.h>

#include <cstring>
#include <string_view>

#include "input/key_codes.h"
#include "platform/devices.h"
#include "platform/web/web_backend.h"

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

// The gamepad stands for the joystick keys: the cursor keys and Right Ctrl.
constexpr uint8_t GamepadKeys[5] = {DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_RCONTROL};

// A tap is held at least this long, in frames and in milliseconds.
constexpr uint64_t HoldFrames = 3;
constexpr double HoldMilliseconds = 60.0;

struct KeyRecord {
    bool down = false;             // held on the keyboard now
    bool releasePending = false;   // let go, but not yet seen long enough
    uint64_t pressTick = 0;
    double pressTime = 0;
};

KeyRecord Keys[256];
uint8_t GamepadHeld[5] = {};

bool HeldLongEnough(const KeyRecord& key)
{
    return WebFrameTicks() - key.pressTick >= HoldFrames && WebNow() - key.pressTime >= HoldMilliseconds;
}

uint8_t ScanCodeOf(std::string_view code)
{
    for (const CodeRow& row : Codes)
        if (code == row.code)
            return row.scanCode;
    return 0;
}

}  // namespace

void WebKeyEvent(bool down, uint8_t scanCode, uint32_t virtualKey)
{
    if (scanCode != 0) {
        KeyRecord& key = Keys[scanCode];
        if (down && !key.down) {
            if (!key.releasePending) {
                key.pressTick = WebFrameTicks();
                key.pressTime = WebNow();
            }
            key.releasePending = false;
        }
        if (!down && key.down)
            key.releasePending = true;
        key.down = down;
    }
    if (virtualKey != 0)
        WebPostWindowMessage(down ? WM_KEYDOWN : WM_KEYUP, virtualKey, down ? 1 : (intptr_t{3} << 30) | 1);
}

void WebReleaseAllKeys()
{
    for (int i = 0; i < 256; i++)
        if (Keys[i].down)
            WebKeyEvent(false, static_cast<uint8_t>(i), 0);
    // The window saw Shift go down; it must see it come up.
    WebPostWindowMessage(WM_KEYUP, VK_SHIFT, (intptr_t{3} << 30) | 1);
}

void WebSetGamepadKeys(uint8_t held[5]) { std::memcpy(GamepadHeld, held, sizeof GamepadHeld); }

// From the page: one key event.  This is the one place where the page's
// keys become the machine's: here by position (the code), so that the
// machine's keyboard sits where its keys are printed on a US keyboard.
extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebKey(int down, const char* key, const char* code, int keyCode,
                                                 int positional)
{
    (void)key;          // the typed character, for a translation by symbol
    (void)positional;   // ?keys=positional
    WebKeyEvent(down != 0, ScanCodeOf(code ? code : ""), static_cast<uint32_t>(keyCode) & 0xFF);
}

extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebBlur() { WebReleaseAllKeys(); }

extern "C" EMSCRIPTEN_KEEPALIVE void RavlinWebGamepad(int bits)
{
    uint8_t held[5];
    for (int i = 0; i < 5; i++)
        held[i] = (bits >> i) & 1;
    WebSetGamepadKeys(held);
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
    for (int i = 0; i < 256; i++) {
        KeyRecord& key = Keys[i];
        if (key.releasePending && HeldLongEnough(key))
            key.releasePending = false;
        state[i] = (key.down || key.releasePending) ? 0x80 : 0;
    }
    for (int i = 0; i < 5; i++)
        if (GamepadHeld[i])
            state[GamepadKeys[i]] = 0x80;
    return DI_OK;
}

void KeyboardRelease(KeyboardDevice* keyboard) { delete keyboard; }
void InputRelease(InputSystem* input) { delete input; }
