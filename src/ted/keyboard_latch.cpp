#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "ted/registers.h"

namespace {

inline bool Held(uint8_t scanCode) { return KeyState[scanCode] != 0; }

// The matrix columns whose bit in the column latch at 0xFD30 is 0, ANDed.
uint8_t ScanSelectedColumns() { return ReadMatrixColumns(Ram64[0xFD30]); }

// The cursor keys and Right Ctrl as a joystick: each held direction pulls
// its bit low, fire pulls fireBit low.
uint8_t ApplyJoystick(uint8_t result, uint8_t fireBit)
{
    if (Held(DIK_UP)) result &= ~0x01;
    if (Held(DIK_DOWN)) result &= ~0x02;
    if (Held(DIK_LEFT)) result &= ~0x04;
    if (Held(DIK_RIGHT)) result &= ~0x08;
    if (Held(DIK_RCONTROL)) result &= static_cast<uint8_t>(~fireBit);
    return result;
}

// A game controller on its port: port 2 when that is the emulated one,
// else port 1.  Port 1 answers on value bit 0 and again on bit 2, fire on
// row bit 6; port 2 on value bit 1, fire on row bit 7.
uint8_t ApplyGamepad(uint8_t result, uint8_t value)
{
    const uint8_t lines = GamepadLines;
    bool selected = JoystickMode == 2 ? !(value & 0x02) : (!(value & 0x01) || !(value & 0x04));
    if (lines == 0 || !selected)
        return result;
    result &= static_cast<uint8_t>(~(lines & 0x0F));
    if (lines & JoystickFire)
        result &= static_cast<uint8_t>(JoystickMode == 2 ? ~0x80 : ~0x40);
    return result;
}

}  // namespace

uint8_t ComputeKeyboardLatch(uint8_t value)
{
    // Modes other than 1 and 2 (a settings value out of range) read the
    // plain keyboard rather than no keys at all.
    if (JoystickMode != 1 && JoystickMode != 2) {
        PollKeyboard();
        return ApplyGamepad(ScanSelectedColumns(), value);
    }
    // While the cursor keys act as the joystick they leave the matrix; the
    // keypad's cursor keys keep their places.
    KeyMap[DIK_UP] = KeyMap[DIK_LEFT] = KeyMap[DIK_RIGHT] = KeyMap[DIK_DOWN] = 0xFF;
    PollKeyboard();
    uint8_t result = ScanSelectedColumns();
    if (JoystickMode == 1) {
        // Port 1 answers on value bit 0 and again on bit 2.
        if (!(value & 0x01))
            result = ApplyJoystick(result, 0x40);
        if (!(value & 0x04))
            result = ApplyJoystick(result, 0x40);
    } else if (!(value & 0x02)) {
        result = ApplyJoystick(result, 0x80);
    }
    KeyMap[DIK_UP] = 0x1D;
    KeyMap[DIK_LEFT] = 0x06;
    KeyMap[DIK_RIGHT] = 0x1E;
    KeyMap[DIK_DOWN] = 0x05;
    return ApplyGamepad(result, value);
}
