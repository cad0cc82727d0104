#include <cstring>

#include "input/keyboard.h"
#include "machine/machine_state.h"

void ResetInputState()
{
    std::memset(KeyState, 0, sizeof KeyState);
    KeyMap = DefaultKeyMap;
    KeyRepeatState = 0;
    GamepadLines = 0;
}
