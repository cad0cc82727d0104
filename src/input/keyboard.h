// The PC keyboard as the machine's 8 x 8 keyboard matrix, the joystick keys,
// and the key tests used by the menus and the debugger.
#pragma once
#include <array>
#include <cstdint>

// One byte per DIK_ scan code as the last device read left it; nonzero is down.
extern uint8_t KeyState[256];
// Scan code to matrix index 8 x row + column; 0xFF (any value of 64 or more)
// means the key has no place in the matrix.  Constant apart from the
// joystick latch, which takes the cursor keys out for one computation.
extern std::array<uint8_t, 256> KeyMap;
extern const std::array<uint8_t, 256> DefaultKeyMap;
// The auto-repeat pacer: 0 idle, 1 first press seen, 2 repeating.  One state
// for all keys and all callers.
extern uint8_t KeyRepeatState;

// A game controller's joystick lines (bits below), set by the platform;
// the keyboard latch gives them to the port of JoystickMode, port 1 when
// the mode is neither 1 nor 2.
constexpr uint8_t JoystickUp = 0x01, JoystickDown = 0x02, JoystickLeft = 0x04, JoystickRight = 0x08,
                  JoystickFire = 0x10;
extern uint8_t GamepadLines;

constexpr uint8_t KeyDeviceLost = 255;   // KeyPressed: lost and not re-acquired

// The machine's read of the keyboard device into KeyState (the menus read
// through KeyPressed); after input loss it acquires the device once and
// leaves KeyState as it was.
void PollKeyboard();
// Bit k is 0 when a held key sits at matrix index 8 x k + column.
uint8_t ReadMatrixColumn(int column);
// The columns whose bit in `deselected` is 0, ANDed (0xFF when none is).
uint8_t ReadMatrixColumns(uint8_t deselected);
// Polls, then 1 for a held key, 0 for a released one, KeyDeviceLost when the
// device was lost and could not be acquired again.
uint8_t KeyPressed(uint8_t scanCode);
// Returns once KeyPressed answers anything but 1.
void WaitKeyRelease(uint8_t scanCode);
// Paces a held key: acts at once, again after 30 vertical blanks, then every 4.
void KeyRepeat(uint8_t scanCode);
