// The PC keyboard as the machine's matrix, read the way the KERNAL reads it:
// a column mask to 0xFD30, a write to 0xFF08, the latch read back.
#include <gtest/gtest.h>

#include <vector>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "platform/gamepad.h"
#include "platform/headless/headless_control.h"
#include "platform/key_input.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

class KeyMatrix : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    static uint8_t Latch(uint8_t columnMask, uint8_t value = 0xFF)
    {
        WriteByte(0xFD30, columnMask);
        WriteByte(0xFF08, value);
        return ReadByte(0xFF08);
    }
    static uint8_t Column(int column) { return Latch(static_cast<uint8_t>(~(1 << column))); }
    static void Hold(const std::vector<uint8_t>& keys)
    {
        for (uint8_t key : keys)
            HeadlessSetKey(key, true);
    }

    ScratchDirectory dir;
};

struct Cell {
    int row, column;
    std::vector<uint8_t> keys;
};

// The machine's keyboard, row by row; the pound key (row 2, column 0) has no
// PC key: only the symbolic map holds it, under a code no keyboard sends.
const Cell Grid[] = {
    {0, 0, {DIK_BACK}}, {0, 1, {DIK_3}}, {0, 2, {DIK_5}}, {0, 3, {DIK_7}}, {0, 4, {DIK_9}},
    {0, 5, {DIK_DOWN, DIK_NUMPAD2}}, {0, 6, {DIK_LEFT, DIK_NUMPAD4}}, {0, 7, {DIK_1}},
    {1, 0, {DIK_RETURN}}, {1, 1, {DIK_W}}, {1, 2, {DIK_R}}, {1, 3, {DIK_Y}}, {1, 4, {DIK_I}},
    {1, 5, {DIK_P}}, {1, 6, {DIK_BACKSLASH, DIK_MULTIPLY}}, {1, 7, {DIK_HOME, DIK_NUMPAD7}},
    {2, 0, {DIK_POUND_PLACE}}, {2, 1, {DIK_A}}, {2, 2, {DIK_D}}, {2, 3, {DIK_G}}, {2, 4, {DIK_J}}, {2, 5, {DIK_L}},
    {2, 6, {DIK_APOSTROPHE}}, {2, 7, {DIK_LCONTROL}},
    {3, 0, {DIK_F4}}, {3, 1, {DIK_4}}, {3, 2, {DIK_6}}, {3, 3, {DIK_8}}, {3, 4, {DIK_0}},
    {3, 5, {DIK_UP, DIK_NUMPAD8}}, {3, 6, {DIK_RIGHT, DIK_NUMPAD6}}, {3, 7, {DIK_2}},
    {4, 0, {DIK_F1}}, {4, 1, {DIK_Z}}, {4, 2, {DIK_C}}, {4, 3, {DIK_B}}, {4, 4, {DIK_M}},
    {4, 5, {DIK_PERIOD}}, {4, 6, {DIK_GRAVE}}, {4, 7, {DIK_SPACE, DIK_NUMPAD0}},
    {5, 0, {DIK_F2}}, {5, 1, {DIK_S}}, {5, 2, {DIK_F}}, {5, 3, {DIK_H}}, {5, 4, {DIK_K}},
    {5, 5, {DIK_SEMICOLON}}, {5, 6, {DIK_EQUALS}}, {5, 7, {DIK_LMENU}},
    {6, 0, {DIK_F3}}, {6, 1, {DIK_E}}, {6, 2, {DIK_T}}, {6, 3, {DIK_U}}, {6, 4, {DIK_O}},
    {6, 5, {DIK_RBRACKET, DIK_SUBTRACT}}, {6, 6, {DIK_LBRACKET, DIK_ADD}}, {6, 7, {DIK_Q}},
    {7, 0, {DIK_MINUS}}, {7, 1, {DIK_LSHIFT, DIK_RSHIFT}}, {7, 2, {DIK_X}}, {7, 3, {DIK_V}},
    {7, 4, {DIK_N}}, {7, 5, {DIK_COMMA}}, {7, 6, {DIK_SLASH}}, {7, 7, {DIK_TAB}},
};

TEST_F(KeyMatrix, EveryKeyReadsAtItsPlaceAndNowhereElse)
{
    int placed = 0;
    for (const Cell& cell : Grid) {
        for (uint8_t key : cell.keys) {
            placed++;
            HeadlessClearKeys();
            HeadlessSetKey(key, true);
            for (int column = 0; column < 8; column++) {
                uint8_t expected = column == cell.column ? static_cast<uint8_t>(~(1 << cell.row)) : 0xFF;
                EXPECT_EQ(Column(column), expected)
                    << "scan code 0x" << std::hex << int(key) << " column " << column;
            }
        }
    }
    // Every other scan code has no place.
    int mapped = 0;
    for (int code = 0; code < 256; code++)
        mapped += KeyMap[code] < 64;
    EXPECT_EQ(mapped, placed);
    EXPECT_EQ(placed, 74);
}

TEST_F(KeyMatrix, AHeldClearsRowTwoOfColumnOneOnly)
{
    Hold({DIK_A});
    PollKeyboard();
    EXPECT_EQ(ReadMatrixColumn(1), 0xFB);
    for (int column : {0, 2, 3, 4, 5, 6, 7})
        EXPECT_EQ(ReadMatrixColumn(column), 0xFF) << column;
    // All columns selected at once: the rows are ANDed.
    Hold({DIK_RETURN});
    EXPECT_EQ(Latch(0x00), 0xFB & 0xFD);
    EXPECT_EQ(Latch(0xFF), 0xFF);   // no column selected
    // A key let go, and a key given another place, count at the next read.
    HeadlessSetKey(DIK_RETURN, false);
    EXPECT_EQ(Latch(0x00), 0xFB);
    KeyMap[DIK_A] = 0x08;   // column 0, row 1
    EXPECT_EQ(Latch(0x00), 0xFD);
    KeyMap = DefaultKeyMap;
}

TEST_F(KeyMatrix, BothShiftsShareOnePlace)
{
    Hold({DIK_LSHIFT, DIK_RSHIFT});
    EXPECT_EQ(Column(1), 0x7F);
    HeadlessSetKey(DIK_LSHIFT, false);
    EXPECT_EQ(Column(1), 0x7F);
    HeadlessSetKey(DIK_RSHIFT, false);
    EXPECT_EQ(Column(1), 0xFF);
}

TEST_F(KeyMatrix, KeysWithoutAPlaceNeverChangeTheMatrix)
{
    std::vector<uint8_t> unplaced;
    for (int code = 0; code < 256; code++)
        if (KeyMap[code] >= 64)
            unplaced.push_back(static_cast<uint8_t>(code));
    for (uint8_t key : {DIK_ESCAPE, DIK_CAPITAL, DIK_F5, DIK_F6, DIK_F7, DIK_F8, DIK_F9, DIK_F10, DIK_F11,
                        DIK_F12, DIK_RCONTROL, DIK_RMENU})
        EXPECT_GE(KeyMap[key], 64) << std::hex << int(key);
    for (uint8_t key : unplaced)
        HeadlessSetKey(key, true);
    EXPECT_EQ(Latch(0x00), 0xFF);

    // Every code at once: every place is held.
    for (int code = 0; code < 256; code++)
        HeadlessSetKey(static_cast<uint8_t>(code), true);
    EXPECT_EQ(Column(0), 0x00);
    for (int column = 1; column < 8; column++)
        EXPECT_EQ(Column(column), 0x00) << column;
}

struct JoystickCase {
    uint32_t mode;
    uint8_t value;
    std::vector<uint8_t> keys;
    uint8_t expected;   // with no column selected
};

TEST_F(KeyMatrix, CursorKeysAndRightCtrlActAsTheJoystick)
{
    const JoystickCase cases[] = {
        {2, 0xFD, {DIK_UP, DIK_RCONTROL}, 0x7E},
        {2, 0xFF, {DIK_UP, DIK_RCONTROL}, 0xFF},             // port 2 not selected
        {2, 0xFA, {DIK_DOWN, DIK_LEFT}, 0xFF},               // bits 0 and 2 are port 1's
        {1, 0xFE, {DIK_UP, DIK_RCONTROL}, 0xBE},
        {1, 0xFB, {DIK_DOWN, DIK_LEFT, DIK_RIGHT}, 0xF1},    // port 1 also answers on bit 2
        {1, 0xFA, {DIK_RIGHT}, 0xF7},
        {1, 0xFD, {DIK_UP}, 0xFF},
        {0, 0x00, {DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_RCONTROL}, 0xFF},
    };
    for (const JoystickCase& c : cases) {
        JoystickMode = c.mode;
        HeadlessClearKeys();
        Hold(c.keys);
        EXPECT_EQ(Latch(0xFF, c.value), c.expected) << "mode " << c.mode << " value " << std::hex << int(c.value);
    }
}

// A game controller drives the emulated port, or port 1 when none is
// emulated: the D-pad and the stick beyond its dead zone give directions,
// a face button fires.
TEST_F(KeyMatrix, AGamepadDrivesTheChosenPortOrPortOne)
{
    struct PadCase {
        uint32_t mode;
        uint8_t value;
        GamepadReading pad;
        uint8_t expected;
    };
    const int16_t far = 20000, near = GamepadDeadZone;
    const PadCase cases[] = {
        {0, 0xFE, {true, false, false, false, 0, 0, true}, 0xBE},    // no emulation: port 1
        {0, 0xFB, {false, false, false, false, far, 0, false}, 0xF7},
        {0, 0xFD, {true, false, false, false, 0, 0, true}, 0xFF},    // port 2 asked, pad on 1
        {1, 0xFE, {false, false, false, false, static_cast<int16_t>(-far), far, false}, 0xF9},
        {2, 0xFD, {false, false, false, false, 0, static_cast<int16_t>(-far), true}, 0x7E},
        {2, 0xFE, {true, true, true, true, 0, 0, true}, 0xFF},      // port 1 asked, pad on 2
        {0, 0xFE, {false, false, false, false, near, static_cast<int16_t>(-near), false}, 0xFF},   // dead zone
    };
    for (const PadCase& c : cases) {
        JoystickMode = c.mode;
        SetGamepad(c.pad);
        EXPECT_EQ(Latch(0xFF, c.value), c.expected) << "mode " << c.mode << " value " << std::hex << int(c.value);
    }
    // Unplugged, the port is free again.
    ReleaseGamepad();
    EXPECT_EQ(Latch(0xFF, 0xFE), 0xFF);
}

TEST_F(KeyMatrix, JoystickModesTakeOnlyTheCursorKeysOutOfTheMatrix)
{
    for (uint32_t mode : {1u, 2u}) {
        JoystickMode = mode;
        HeadlessClearKeys();
        Hold({DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT});
        for (int column = 0; column < 8; column++)
            EXPECT_EQ(Column(column), 0xFF) << "mode " << mode << " column " << column;
        // The keypad's cursor keys still press the machine's.
        Hold({DIK_NUMPAD8, DIK_NUMPAD2});
        EXPECT_EQ(Column(5), 0xF6);
        EXPECT_EQ(KeyMap[DIK_UP], 0x1D);
        EXPECT_EQ(KeyMap[DIK_LEFT], 0x06);
        EXPECT_EQ(KeyMap[DIK_RIGHT], 0x1E);
        EXPECT_EQ(KeyMap[DIK_DOWN], 0x05);
        // A joystick latch with the keyboard read as well.
        EXPECT_EQ(Latch(static_cast<uint8_t>(~(1 << 5)), mode == 1 ? 0xFE : 0xFD), 0xF6 & 0xF0);
    }
    // Without the joystick the cursor keys are the machine's again.
    JoystickMode = 0;
    HeadlessClearKeys();
    Hold({DIK_UP});
    EXPECT_EQ(Column(5), 0xF7);
}

TEST_F(KeyMatrix, OutOfRangeJoystickSettingReadsThePlainKeyboard)
{
    JoystickMode = 3;
    Hold({DIK_UP, DIK_A});
    EXPECT_EQ(Column(5), 0xF7);
    EXPECT_EQ(Column(1), 0xFB);
}

}  // namespace
