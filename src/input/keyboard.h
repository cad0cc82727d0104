// The PC keyboard as the machine's 8 x 8 keyboard matrix, the joystick keys,
// and the key tests used by the menus and the debugger.
#pragma once
#include <cstdint>

extern uint8_t KeyState[256];
extern uint8_t KeyMap[256];

void PollKeyboard();
uint8_t ReadMatrixColumn(int column);
bool KeyPressed(uint8_t scanCode);
void WaitKeyRelease(uint8_t scanCode);
bool KeyRepeat(uint8_t scanCode);
