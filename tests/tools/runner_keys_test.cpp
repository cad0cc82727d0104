// Every key name the README gives the runner's scripts, held through the
// runner's own key path: the machine's keyboard matrix holds what the same
// key gives in the window (default symbolic map, a US layout, the keypad
// as with Num Lock off), and nothing for the keys the machine lacks.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "key_names.h"
#include "machine/machine_state.h"
#include "platform/key_input.h"
#include "support/test_support.h"

namespace {

constexpr uint8_t Shifted = 0x80;   // with the machine's Shift
// The machine key (by its positional code) of each name that is not that
// key itself; 0 for none.
const std::map<std::string, int> MachineKeys = {
    {"ESC", DIK_GRAVE}, {"INSERT", DIK_BACK | Shifted << 8}, {"DELETE", DIK_BACK}, {"MINUS", DIK_RBRACKET},
    {"LBRACKET", DIK_SEMICOLON | Shifted << 8}, {"RBRACKET", DIK_APOSTROPHE | Shifted << 8},
    {"SEMICOLON", DIK_APOSTROPHE}, {"APOSTROPHE", DIK_7 | Shifted << 8}, {"KP0", DIK_SPACE}, {"KP2", DIK_DOWN},
    {"KP4", DIK_LEFT}, {"KP6", DIK_RIGHT}, {"KP7", DIK_HOME}, {"KP8", DIK_UP}, {"KPPLUS", DIK_LBRACKET},
    {"KPMINUS", DIK_RBRACKET}, {"KPMULTIPLY", DIK_BACKSLASH}, {"KPENTER", DIK_RETURN}};
const char* const NoMachineKey = "RCTRL RALT CAPSLOCK END PGUP PGDN F5 F6 F7 F8 F9 F10 F11 F12 BACKSLASH GRAVE "
                                 "KP1 KP3 KP5 KP9 KPDIVIDE KPPERIOD NUMLOCK SCROLLLOCK";

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

// The names of the README's "KEY names a PC key" sentence, its ranges
// (`A`-`Z`, `F1`-`F12`, ...) spelled out.
std::vector<std::string> ReadmeKeyNames()
{
    std::stringstream readme;
    readme << std::ifstream(std::string(RAVLIN_SOURCE_DIR) + "/README.md").rdbuf();
    const std::string text = readme.str();
    const size_t start = text.find("KEY names a PC key"), end = text.find(". ", start);
    std::vector<std::string> names;
    for (size_t at = text.find('`', start); at < end; at = text.find('`', text.find('`', at + 1) + 1)) {
        std::string name = text.substr(at + 1, text.find('`', at + 1) - at - 1);
        if (text[at - 1] == '-') {   // the end of a range: its first name came last
            const std::string first = names.back();
            const size_t digit = first.size() > 1 ? first.find_first_of("0123456789") : 0;
            for (int n = std::stoi(digit ? first.substr(digit) : std::to_string(first[0])) + 1;
                 n < std::stoi(digit ? name.substr(digit) : std::to_string(name[0])); n++)
                names.push_back(digit ? first.substr(0, digit) + std::to_string(n) : std::string(1, char(n)));
        }
        names.push_back(name);
    }
    return names;
}

TEST(RunnerKeys, EveryReadmeKeyNameReachesTheMatrixAsInTheWindow)
{
    ResetMachineToPowerOn();
    KeyInputEventsInMachineTime(true);
    const std::vector<std::string> names = ReadmeKeyNames();
    EXPECT_EQ(names.size(), 99u);   // the list is read whole
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const PcKey* key = FindPcKey(name);
        ASSERT_NE(key, nullptr);
        const bool none = (" " + std::string(NoMachineKey) + " ").find(" " + name + " ") != std::string::npos;
        const auto given = MachineKeys.find(name);
        const int machineKey = given != MachineKeys.end() ? given->second : none ? 0 : key->scanCode;
        std::set<int> expected;
        if (machineKey != 0)
            expected.insert(DefaultKeyMap[machineKey & 0xFF]);
        if (machineKey >> 8)
            expected.insert(DefaultKeyMap[DIK_LSHIFT]);
        FeedRunnerKey(*key, true);
        for (int frame = 0; frame < 3; frame++)
            KeyInputFrame(true);   // unpaced: the runner's key stays down all the same
        EXPECT_EQ(HeldPlaces(), expected);
        FeedRunnerKey(*key, false);
        for (int frame = 0; frame < 4; frame++)
            KeyInputFrame(true);
        EXPECT_TRUE(HeldPlaces().empty());
    }
    ResetMachineToPowerOn();
}

}  // namespace
