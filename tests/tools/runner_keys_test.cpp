// Every key name the README gives the runner's scripts, held through the
// runner's own key path: the machine's keyboard matrix holds what the same
// key gives on the desktop (default symbolic map, a US layout, the keypad
// as with Num Lock off), and nothing for the hot keys and the keys the
// machine lacks.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "key_names.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/key_input.h"
#include "support/test_support.h"

namespace {

constexpr uint8_t None = 0xFF;

struct KeyCase {
    const char* name;
    uint8_t machineKey;   // by the positional map's code; None: the matrix stays empty
    bool shift;           // with the machine's Shift
};

const KeyCase Cases[] = {
    {"RETURN", DIK_RETURN, false}, {"SPACE", DIK_SPACE, false}, {"TAB", DIK_TAB, false},
    {"BACKSPACE", DIK_BACK, false}, {"ESC", DIK_GRAVE, false}, {"LSHIFT", DIK_LSHIFT, false},
    {"RSHIFT", DIK_RSHIFT, false}, {"LCTRL", DIK_LCONTROL, false}, {"RCTRL", None, false},
    {"LALT", DIK_LMENU, false}, {"RALT", None, false}, {"CAPSLOCK", None, false},
    {"UP", DIK_UP, false}, {"DOWN", DIK_DOWN, false}, {"LEFT", DIK_LEFT, false},
    {"RIGHT", DIK_RIGHT, false}, {"HOME", DIK_HOME, false}, {"END", None, false},
    {"PGUP", None, false}, {"PGDN", None, false}, {"INSERT", DIK_BACK, true},
    {"DELETE", DIK_BACK, false}, {"F1", DIK_F1, false}, {"F2", DIK_F2, false},
    {"F3", DIK_F3, false}, {"F4", DIK_F4, false}, {"F5", None, false},
    {"F6", None, false}, {"F7", None, false}, {"F8", None, false},
    {"F9", None, false}, {"F10", None, false}, {"F11", None, false},
    {"F12", None, false}, {"MINUS", DIK_RBRACKET, false}, {"EQUALS", DIK_EQUALS, false},
    {"LBRACKET", DIK_SEMICOLON, true}, {"RBRACKET", DIK_APOSTROPHE, true}, {"BACKSLASH", None, false},
    {"SEMICOLON", DIK_APOSTROPHE, false}, {"APOSTROPHE", DIK_7, true}, {"GRAVE", None, false},
    {"COMMA", DIK_COMMA, false}, {"PERIOD", DIK_PERIOD, false}, {"SLASH", DIK_SLASH, false},
    {"KP0", DIK_SPACE, false}, {"KP1", None, false}, {"KP2", DIK_DOWN, false},
    {"KP3", None, false}, {"KP4", DIK_LEFT, false}, {"KP5", None, false},
    {"KP6", DIK_RIGHT, false}, {"KP7", DIK_HOME, false}, {"KP8", DIK_UP, false},
    {"KP9", None, false}, {"KPPLUS", DIK_LBRACKET, false}, {"KPMINUS", DIK_RBRACKET, false},
    {"KPMULTIPLY", DIK_BACKSLASH, false}, {"KPDIVIDE", None, false}, {"KPPERIOD", None, false},
    {"KPENTER", DIK_RETURN, false}, {"NUMLOCK", None, false}, {"SCROLLLOCK", None, false},
};

// The matrix places held, as the machine's keyboard latch reads them.
std::set<int> HeldPlaces()
{
    uint8_t state[256];
    KeyInputReadForMachine(true);
    KeyInputState(state);
    KeyInputReadForMachine(false);
    std::set<int> places;
    for (int k = 0; k < 256; k++)
        if (state[k] && DefaultKeyMap[k] < 64)
            places.insert(DefaultKeyMap[k]);
    return places;
}

// The names of the README's "KEY names a PC key" sentence, ranges such as
// `F1`-`F12` spelled out.
std::set<std::string> ReadmeKeyNames()
{
    std::ifstream in(std::string(RAVLIN_SOURCE_DIR) + "/README.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string readme = text.str();
    const size_t start = readme.find("KEY names a PC key");
    const size_t end = readme.find(". ", start);
    std::set<std::string> names;
    std::string previous;
    for (size_t at = readme.find('`', start); at < end; at = readme.find('`', at + 1)) {
        const size_t close = readme.find('`', at + 1);
        std::string name = readme.substr(at + 1, close - at - 1);
        const bool range = readme.compare(at - 1, 1, "-") == 0 && !previous.empty();
        if (range) {
            // A-Z, 0-9, F1-F12, KP0-KP9: the same prefix, a counted end.
            const size_t digits = previous.find_first_of("0123456789");
            if (digits == std::string::npos || previous.size() == 1) {
                for (char c = static_cast<char>(previous[0] + 1); c <= name[0]; c++)
                    names.insert(std::string(1, c));
            } else {
                const std::string prefix = previous.substr(0, digits);
                for (int n = std::stoi(previous.substr(digits)) + 1; n <= std::stoi(name.substr(digits)); n++)
                    names.insert(prefix + std::to_string(n));
            }
        }
        names.insert(name);
        previous = name;
        at = close;
    }
    return names;
}

TEST(RunnerKeys, EveryReadmeKeyNameReachesTheMatrixAsOnTheDesktop)
{
    ResetMachineToPowerOn();
    Config = DefaultSettings();
    KeyInputEventsInMachineTime(true);
    std::vector<KeyCase> cases(std::begin(Cases), std::end(Cases));
    for (char c = 'A'; c <= 'Z'; c++) {
        static std::string letters[26];
        letters[c - 'A'] = std::string(1, c);
        cases.push_back({letters[c - 'A'].c_str(), FindPcKey(letters[c - 'A'])->scanCode, false});
    }
    for (char c = '0'; c <= '9'; c++) {
        static std::string digits[10];
        digits[c - '0'] = std::string(1, c);
        cases.push_back({digits[c - '0'].c_str(), FindPcKey(digits[c - '0'])->scanCode, false});
    }
    std::set<std::string> tested;
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        tested.insert(c.name);
        const PcKey* key = FindPcKey(c.name);
        ASSERT_NE(key, nullptr);
        FeedRunnerKey(*key, true);
        KeyInputFrame(true);   // unpaced: the runner's key stays down all the same
        KeyInputFrame(true);
        KeyInputFrame(true);
        std::set<int> expected;
        if (c.machineKey != None)
            expected.insert(DefaultKeyMap[c.machineKey]);
        if (c.shift)
            expected.insert(DefaultKeyMap[DIK_LSHIFT]);
        EXPECT_EQ(HeldPlaces(), expected);
        FeedRunnerKey(*key, false);
        for (int frame = 0; frame < 4; frame++)
            KeyInputFrame(true);
        EXPECT_TRUE(HeldPlaces().empty());
    }
    EXPECT_EQ(tested, ReadmeKeyNames());
    ResetMachineToPowerOn();
}

}  // namespace
