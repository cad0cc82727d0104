// SDL's key, text, drop and game-controller events fed to the machine's
// key translation, start-a-file and gamepad, and the window title, the
// clipboard and full screen on SDL2.
#include <cstdio>

#include "platform/gamepad.h"
#include "platform/key_input.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/start_file.h"

namespace {

// A key went down that types a character; its SDL_TEXTINPUT comes next.
struct WaitingKey {
    bool waiting = false;
    uint8_t position = 0;
    uint32_t fallback = 0;   // what the key symbol says, if no text comes
};
WaitingKey Waiting;
bool SwallowText = false;     // the text of a key already fed, or of a key repeat
SDL_GameController* Pad = nullptr;
// When each key last went down, in SDL's milliseconds.
Uint32 LastPress[SDL_NUM_SCANCODES] = {};
// The PC repeats a held key only after a delay of a quarter second or
// more.  A "repeat" sooner than this is a new press whose release SDL took
// for the start of a repeat (X11 events of the same moment, as instant taps
// of one key give).
constexpr Uint32 SoonestRepeat = 150;

// The printable ASCII character of a key symbol (the layout's unshifted
// character), capitals when Shift is held; 0 for anything else.
uint32_t CharacterOfSymbol(SDL_Keycode symbol, Uint16 modifiers)
{
    if (symbol < 32 || symbol > 126)
        return 0;
    if (symbol >= 'a' && symbol <= 'z' && (modifiers & KMOD_SHIFT))
        return static_cast<uint32_t>(symbol - 'a' + 'A');
    return static_cast<uint32_t>(symbol);
}

// Decodes one UTF-8 sequence at text[i]; 0 for a malformed one.
uint32_t NextCodePoint(const char* text, size_t* i)
{
    auto byte = static_cast<uint8_t>(text[(*i)++]);
    int more = byte < 0x80 ? 0 : (byte >> 5) == 6 ? 1 : (byte >> 4) == 14 ? 2 : (byte >> 3) == 30 ? 3 : -1;
    if (more < 0)
        return 0;
    uint32_t c = more == 0 ? byte : byte & (0x3F >> more);
    for (int n = 0; n < more; n++) {
        auto next = static_cast<uint8_t>(text[*i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        (*i)++;
        c = (c << 6) | (next & 0x3F);
    }
    return c;
}

void ReadGamepad()
{
    if (!Pad) {
        ReleaseGamepad();
        return;
    }
    auto button = [](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(Pad, b) != 0; };
    GamepadReading r{};
    r.up = button(SDL_CONTROLLER_BUTTON_DPAD_UP);
    r.down = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    r.left = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    r.right = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    r.stickX = SDL_GameControllerGetAxis(Pad, SDL_CONTROLLER_AXIS_LEFTX);
    r.stickY = SDL_GameControllerGetAxis(Pad, SDL_CONTROLLER_AXIS_LEFTY);
    r.fire = button(SDL_CONTROLLER_BUTTON_A) || button(SDL_CONTROLLER_BUTTON_B) ||
             button(SDL_CONTROLLER_BUTTON_X) || button(SDL_CONTROLLER_BUTTON_Y);
    SetGamepad(r);
}

void OpenGamepad(int index)
{
    if (Pad || !SDL_IsGameController(index))
        return;
    Pad = SDL_GameControllerOpen(index);
    if (Pad)
        std::fprintf(stderr, "ravlin: game controller: %s\n", SDL_GameControllerName(Pad));
}

}  // namespace

void SdlFinishInput()
{
    if (!Waiting.waiting)
        return;
    Waiting.waiting = false;
    KeyInputDown(Waiting.position, Waiting.fallback);
}

bool SdlFeedInput(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN: {
        SdlFinishInput();
        const SDL_Keysym& key = event.key.keysym;
        if ((key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER) &&
            (key.mod & KMOD_ALT)) {
            if (!event.key.repeat)
                SdlToggleFullScreen();
            return true;
        }
        uint8_t position = SdlDikOf(key.scancode);
        bool repeat = event.key.repeat != 0;
        if (repeat && event.key.timestamp - LastPress[key.scancode] < SoonestRepeat) {
            KeyInputUp(position);   // the release that went missing
            repeat = false;
        }
        SwallowText = repeat;
        if (repeat && position != 0)
            KeyInputRepeat(position);
        if (repeat || position == 0)
            return false;
        LastPress[key.scancode] = event.key.timestamp;
        // Ctrl and the left Alt (the Commodore key) make no text; the key
        // symbol says which key it is.  AltGr types characters as Shift does.
        if (KeyInputWantsCharacter(position) && !(key.mod & (KMOD_CTRL | KMOD_LALT))) {
            Waiting = {true, position, CharacterOfSymbol(key.sym, key.mod)};
        } else {
            KeyInputDown(position, CharacterOfSymbol(key.sym, key.mod));
            SwallowText = true;   // Space's text, say: the key itself was fed
        }
        return false;
    }
    case SDL_KEYUP:
        SdlFinishInput();
        if (uint8_t position = SdlDikOf(event.key.keysym.scancode))
            KeyInputUp(position);
        return false;
    case SDL_TEXTINPUT: {
        const char* text = event.text.text;
        size_t i = 0;
        bool first = true;
        while (text[i]) {
            uint32_t c = NextCodePoint(text, &i);
            if (first && Waiting.waiting) {
                Waiting.waiting = false;
                KeyInputDown(Waiting.position, c);
            } else if (!(first && SwallowText) && c != 0) {
                KeyInputType(c);   // composed or typed without a key of its own
            }
            first = false;
        }
        SwallowText = false;
        return true;
    }
    case SDL_DROPFILE:
        if (event.drop.file) {
            RequestStartFile(event.drop.file);
            SDL_free(event.drop.file);
        }
        return true;
    case SDL_CONTROLLERDEVICEADDED:
        OpenGamepad(event.cdevice.which);
        ReadGamepad();
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        if (Pad && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(Pad)) == event.cdevice.which) {
            SDL_GameControllerClose(Pad);
            Pad = nullptr;
            for (int i = 0; i < SDL_NumJoysticks() && !Pad; i++)
                OpenGamepad(i);
        }
        ReadGamepad();
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
        ReadGamepad();
        return true;
    default:
        return false;
    }
}

void SdlOpenGamepads()
{
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        return;   // no controllers then; the keyboard still serves
    for (int i = 0; i < SDL_NumJoysticks() && !Pad; i++)
        OpenGamepad(i);
    ReadGamepad();
}

// ---- Desktop ------------------------------------------------------------

void SetPlatformWindowTitle(WindowHandle, const char* title)
{
    if (SDL_Window* window = SdlMainWindow())
        SDL_SetWindowTitle(window, title);
}

bool GetClipboardText(std::string* text)
{
    if (!SDL_HasClipboardText())
        return false;
    char* clipboard = SDL_GetClipboardText();
    if (!clipboard)
        return false;
    *text = clipboard;
    SDL_free(clipboard);
    return true;
}

bool SetClipboardText(const char* text) { return SDL_SetClipboardText(text) == 0; }
