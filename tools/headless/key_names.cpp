#include "key_names.h"

#include <cctype>

#include "input/key_codes.h"
#include "platform/key_input.h"

namespace {

// Names as the script language spells them, with what each types on a US
// layout (the keypad as with Num Lock off: its digits move the cursor).
constexpr PcKey PcKeys[] = {
    {"ESC", DIK_ESCAPE, 0x1B, 0, 0},          {"1", DIK_1, '1', '1', '!'},
    {"2", DIK_2, '2', '2', '@'},               {"3", DIK_3, '3', '3', '#'},
    {"4", DIK_4, '4', '4', '$'},               {"5", DIK_5, '5', '5', '%'},
    {"6", DIK_6, '6', '6', '^'},               {"7", DIK_7, '7', '7', '&'},
    {"8", DIK_8, '8', '8', '*'},               {"9", DIK_9, '9', '9', '('},
    {"0", DIK_0, '0', '0', ')'},               {"MINUS", DIK_MINUS, 0xBD, '-', '_'},
    {"EQUALS", DIK_EQUALS, 0xBB, '=', '+'},    {"BACKSPACE", DIK_BACK, 0x08, 0, 0},
    {"TAB", DIK_TAB, 0x09, 0, 0},              {"Q", DIK_Q, 'Q', 'q', 'Q'},
    {"W", DIK_W, 'W', 'w', 'W'},               {"E", DIK_E, 'E', 'e', 'E'},
    {"R", DIK_R, 'R', 'r', 'R'},               {"T", DIK_T, 'T', 't', 'T'},
    {"Y", DIK_Y, 'Y', 'y', 'Y'},               {"U", DIK_U, 'U', 'u', 'U'},
    {"I", DIK_I, 'I', 'i', 'I'},               {"O", DIK_O, 'O', 'o', 'O'},
    {"P", DIK_P, 'P', 'p', 'P'},               {"LBRACKET", DIK_LBRACKET, 0xDB, '[', '{'},
    {"RBRACKET", DIK_RBRACKET, 0xDD, ']', '}'}, {"RETURN", DIK_RETURN, 0x0D, 0, 0},
    {"LCTRL", DIK_LCONTROL, 0x11, 0, 0},       {"A", DIK_A, 'A', 'a', 'A'},
    {"S", DIK_S, 'S', 's', 'S'},               {"D", DIK_D, 'D', 'd', 'D'},
    {"F", DIK_F, 'F', 'f', 'F'},               {"G", DIK_G, 'G', 'g', 'G'},
    {"H", DIK_H, 'H', 'h', 'H'},               {"J", DIK_J, 'J', 'j', 'J'},
    {"K", DIK_K, 'K', 'k', 'K'},               {"L", DIK_L, 'L', 'l', 'L'},
    {"SEMICOLON", DIK_SEMICOLON, 0xBA, ';', ':'}, {"APOSTROPHE", DIK_APOSTROPHE, 0xDE, '\'', '"'},
    {"GRAVE", DIK_GRAVE, 0xC0, '`', '~'},      {"LSHIFT", DIK_LSHIFT, 0x10, 0, 0},
    {"BACKSLASH", DIK_BACKSLASH, 0xDC, '\\', '|'}, {"Z", DIK_Z, 'Z', 'z', 'Z'},
    {"X", DIK_X, 'X', 'x', 'X'},               {"C", DIK_C, 'C', 'c', 'C'},
    {"V", DIK_V, 'V', 'v', 'V'},               {"B", DIK_B, 'B', 'b', 'B'},
    {"N", DIK_N, 'N', 'n', 'N'},               {"M", DIK_M, 'M', 'm', 'M'},
    {"COMMA", DIK_COMMA, 0xBC, ',', '<'},      {"PERIOD", DIK_PERIOD, 0xBE, '.', '>'},
    {"SLASH", DIK_SLASH, 0xBF, '/', '?'},      {"RSHIFT", DIK_RSHIFT, 0x10, 0, 0},
    {"KPMULTIPLY", DIK_MULTIPLY, 0x6A, '*', '*'}, {"LALT", DIK_LMENU, 0x12, 0, 0},
    {"SPACE", DIK_SPACE, 0x20, ' ', ' '},      {"CAPSLOCK", DIK_CAPITAL, 0x14, 0, 0},
    {"F1", DIK_F1, 0x70, 0, 0},                {"F2", DIK_F2, 0x71, 0, 0},
    {"F3", DIK_F3, 0x72, 0, 0},                {"F4", DIK_F4, 0x73, 0, 0},
    {"F5", DIK_F5, 0x74, 0, 0},                {"F6", DIK_F6, 0x75, 0, 0},
    {"F7", DIK_F7, 0x76, 0, 0},                {"F8", DIK_F8, 0x77, 0, 0},
    {"F9", DIK_F9, 0x78, 0, 0},                {"F10", DIK_F10, 0x79, 0, 0},
    {"NUMLOCK", DIK_NUMLOCK, 0x90, 0, 0},      {"SCROLLLOCK", DIK_SCROLL, 0x91, 0, 0},
    {"KP7", DIK_NUMPAD7, 0x67, 0, 0},          {"KP8", DIK_NUMPAD8, 0x68, 0, 0},
    {"KP9", DIK_NUMPAD9, 0x69, 0, 0},          {"KPMINUS", DIK_SUBTRACT, 0x6D, '-', '-'},
    {"KP4", DIK_NUMPAD4, 0x64, 0, 0},          {"KP5", DIK_NUMPAD5, 0x65, 0, 0},
    {"KP6", DIK_NUMPAD6, 0x66, 0, 0},          {"KPPLUS", DIK_ADD, 0x6B, '+', '+'},
    {"KP1", DIK_NUMPAD1, 0x61, 0, 0},          {"KP2", DIK_NUMPAD2, 0x62, 0, 0},
    {"KP3", DIK_NUMPAD3, 0x63, 0, 0},          {"KP0", DIK_NUMPAD0, 0x60, 0, 0},
    {"KPPERIOD", DIK_DECIMAL, 0x6E, 0, 0},     {"F11", DIK_F11, 0x7A, 0, 0},
    {"F12", DIK_F12, 0x7B, 0, 0},              {"KPENTER", DIK_NUMPADENTER, 0x0D, 0, 0},
    {"RCTRL", DIK_RCONTROL, 0x11, 0, 0},       {"KPDIVIDE", DIK_DIVIDE, 0x6F, '/', '/'},
    {"RALT", DIK_RMENU, 0x12, 0, 0},           {"HOME", DIK_HOME, 0x24, 0, 0},
    {"UP", DIK_UP, 0x26, 0, 0},                {"PGUP", DIK_PRIOR, 0x21, 0, 0},
    {"LEFT", DIK_LEFT, 0x25, 0, 0},            {"RIGHT", DIK_RIGHT, 0x27, 0, 0},
    {"END", DIK_END, 0x23, 0, 0},              {"DOWN", DIK_DOWN, 0x28, 0, 0},
    {"PGDN", DIK_NEXT, 0x22, 0, 0},            {"INSERT", DIK_INSERT, 0x2D, 0, 0},
    {"DELETE", DIK_DELETE, 0x2E, 0, 0},
};

// Characters that need the machine's Shift, and the key under them.
struct ShiftedCharacter {
    char character;
    const char* key;
};
constexpr ShiftedCharacter ShiftedCharacters[] = {
    {'!', "1"}, {'"', "2"}, {'#', "3"}, {'$', "4"}, {'%', "5"}, {'&', "6"}, {'\'', "7"},
    {'(', "8"}, {')', "9"}, {'<', "COMMA"}, {'>', "PERIOD"}, {'?', "SLASH"},
    {'[', "SEMICOLON"}, {']', "APOSTROPHE"},
};

// Characters on their own key of the machine, by the PC key the key map
// puts there (the machine's @ : ; = * + - sit where the PC has other signs).
struct PlainCharacter {
    char character;
    const char* key;
};
constexpr PlainCharacter PlainCharacters[] = {
    {' ', "SPACE"}, {'\n', "RETURN"}, {'@', "MINUS"}, {':', "SEMICOLON"}, {';', "APOSTROPHE"},
    {'=', "EQUALS"}, {'*', "BACKSLASH"}, {'+', "LBRACKET"}, {'-', "RBRACKET"}, {',', "COMMA"},
    {'.', "PERIOD"}, {'/', "SLASH"},
};

// The runner's keys that are down now.
bool Down[256] = {};

bool SameName(std::string_view a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; i++)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return i == a.size() && b[i] == '\0';
}

}  // namespace

const PcKey* FindPcKey(std::string_view name)
{
    for (const PcKey& key : PcKeys)
        if (SameName(name, key.name))
            return &key;
    return nullptr;
}

TypedKey KeyForCharacter(char c)
{
    if (std::isalnum(static_cast<unsigned char>(c)))
        return {FindPcKey(std::string_view(&c, 1)), false};
    for (const PlainCharacter& plain : PlainCharacters)
        if (plain.character == c)
            return {FindPcKey(plain.key), false};
    for (const ShiftedCharacter& shifted : ShiftedCharacters)
        if (shifted.character == c)
            return {FindPcKey(shifted.key), true};
    return {nullptr, false};
}

void FeedRunnerKey(const PcKey& key, bool down, char typed)
{
    Down[key.scanCode] = down;
    if (!down) {
        KeyInputUp(key.scanCode);
        return;
    }
    uint32_t character = static_cast<uint8_t>(typed);
    if (character == 0) {
        // As a desktop's keyboard types: with Ctrl or the left Alt the key
        // names its own character (a capital letter with Shift).
        const bool shift = Down[DIK_LSHIFT] || Down[DIK_RSHIFT];
        const bool named = Down[DIK_LCONTROL] || Down[DIK_RCONTROL] || Down[DIK_LMENU];
        character = shift && !named ? key.shifted : key.plain;
        if (named && shift && character >= 'a' && character <= 'z')
            character = character - 'a' + 'A';
    }
    KeyInputDown(key.scanCode, character);
}
