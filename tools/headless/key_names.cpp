#include "key_names.h"

#include <cctype>

#include "input/key_codes.h"

namespace {

// Names as the script language spells them.
constexpr PcKey PcKeys[] = {
    {"ESC", DIK_ESCAPE, 0x1B},        {"1", DIK_1, '1'},
    {"2", DIK_2, '2'},                {"3", DIK_3, '3'},
    {"4", DIK_4, '4'},                {"5", DIK_5, '5'},
    {"6", DIK_6, '6'},                {"7", DIK_7, '7'},
    {"8", DIK_8, '8'},                {"9", DIK_9, '9'},
    {"0", DIK_0, '0'},                {"MINUS", DIK_MINUS, 0xBD},
    {"EQUALS", DIK_EQUALS, 0xBB},     {"BACKSPACE", DIK_BACK, 0x08},
    {"TAB", DIK_TAB, 0x09},           {"Q", DIK_Q, 'Q'},
    {"W", DIK_W, 'W'},                {"E", DIK_E, 'E'},
    {"R", DIK_R, 'R'},                {"T", DIK_T, 'T'},
    {"Y", DIK_Y, 'Y'},                {"U", DIK_U, 'U'},
    {"I", DIK_I, 'I'},                {"O", DIK_O, 'O'},
    {"P", DIK_P, 'P'},                {"LBRACKET", DIK_LBRACKET, 0xDB},
    {"RBRACKET", DIK_RBRACKET, 0xDD}, {"RETURN", DIK_RETURN, 0x0D},
    {"LCTRL", DIK_LCONTROL, 0x11},    {"A", DIK_A, 'A'},
    {"S", DIK_S, 'S'},                {"D", DIK_D, 'D'},
    {"F", DIK_F, 'F'},                {"G", DIK_G, 'G'},
    {"H", DIK_H, 'H'},                {"J", DIK_J, 'J'},
    {"K", DIK_K, 'K'},                {"L", DIK_L, 'L'},
    {"SEMICOLON", DIK_SEMICOLON, 0xBA}, {"APOSTROPHE", DIK_APOSTROPHE, 0xDE},
    {"GRAVE", DIK_GRAVE, 0xC0},       {"LSHIFT", DIK_LSHIFT, 0x10},
    {"BACKSLASH", DIK_BACKSLASH, 0xDC}, {"Z", DIK_Z, 'Z'},
    {"X", DIK_X, 'X'},                {"C", DIK_C, 'C'},
    {"V", DIK_V, 'V'},                {"B", DIK_B, 'B'},
    {"N", DIK_N, 'N'},                {"M", DIK_M, 'M'},
    {"COMMA", DIK_COMMA, 0xBC},       {"PERIOD", DIK_PERIOD, 0xBE},
    {"SLASH", DIK_SLASH, 0xBF},       {"RSHIFT", DIK_RSHIFT, 0x10},
    {"KPMULTIPLY", DIK_MULTIPLY, 0x6A}, {"LALT", DIK_LMENU, 0x12},
    {"SPACE", DIK_SPACE, 0x20},       {"CAPSLOCK", DIK_CAPITAL, 0x14},
    {"F1", DIK_F1, 0x70},             {"F2", DIK_F2, 0x71},
    {"F3", DIK_F3, 0x72},             {"F4", DIK_F4, 0x73},
    {"F5", DIK_F5, 0x74},             {"F6", DIK_F6, 0x75},
    {"F7", DIK_F7, 0x76},             {"F8", DIK_F8, 0x77},
    {"F9", DIK_F9, 0x78},             {"F10", DIK_F10, 0x79},
    {"NUMLOCK", DIK_NUMLOCK, 0x90},   {"SCROLLLOCK", DIK_SCROLL, 0x91},
    {"KP7", DIK_NUMPAD7, 0x67},       {"KP8", DIK_NUMPAD8, 0x68},
    {"KP9", DIK_NUMPAD9, 0x69},       {"KPMINUS", DIK_SUBTRACT, 0x6D},
    {"KP4", DIK_NUMPAD4, 0x64},       {"KP5", DIK_NUMPAD5, 0x65},
    {"KP6", DIK_NUMPAD6, 0x66},       {"KPPLUS", DIK_ADD, 0x6B},
    {"KP1", DIK_NUMPAD1, 0x61},       {"KP2", DIK_NUMPAD2, 0x62},
    {"KP3", DIK_NUMPAD3, 0x63},       {"KP0", DIK_NUMPAD0, 0x60},
    {"KPPERIOD", DIK_DECIMAL, 0x6E},  {"F11", DIK_F11, 0x7A},
    {"F12", DIK_F12, 0x7B},           {"KPENTER", DIK_NUMPADENTER, 0x0D},
    {"RCTRL", DIK_RCONTROL, 0x11},    {"KPDIVIDE", DIK_DIVIDE, 0x6F},
    {"RALT", DIK_RMENU, 0x12},        {"HOME", DIK_HOME, 0x24},
    {"UP", DIK_UP, 0x26},             {"PGUP", DIK_PRIOR, 0x21},
    {"LEFT", DIK_LEFT, 0x25},         {"RIGHT", DIK_RIGHT, 0x27},
    {"END", DIK_END, 0x23},           {"DOWN", DIK_DOWN, 0x28},
    {"PGDN", DIK_NEXT, 0x22},         {"INSERT", DIK_INSERT, 0x2D},
    {"DELETE", DIK_DELETE, 0x2E},
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
