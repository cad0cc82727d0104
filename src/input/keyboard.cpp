#include "input/keyboard.h"

#include "platform/devices.h"

uint8_t KeyState[256];
// Filled with the machine's layout by the keyboard work; until then no key
// has a place in the matrix.
uint8_t KeyMap[256] = {};

void PollKeyboard()
{
    if (g_pDIKeyboard)
        KeyboardGetState(g_pDIKeyboard, KeyState);
}

uint8_t ReadMatrixColumn(int)
{
    return 0xFF;
}

bool KeyPressed(uint8_t scanCode)
{
    return KeyState[scanCode] != 0;
}

void WaitKeyRelease(uint8_t)
{
}

bool KeyRepeat(uint8_t)
{
    return false;
}
