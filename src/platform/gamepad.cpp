#include "platform/gamepad.h"

#include "input/keyboard.h"

uint8_t GamepadLinesOf(const GamepadReading& r)
{
    uint8_t lines = 0;
    if (r.up || r.stickY < -GamepadDeadZone) lines |= JoystickUp;
    if (r.down || r.stickY > GamepadDeadZone) lines |= JoystickDown;
    if (r.left || r.stickX < -GamepadDeadZone) lines |= JoystickLeft;
    if (r.right || r.stickX > GamepadDeadZone) lines |= JoystickRight;
    if (r.fire) lines |= JoystickFire;
    return lines;
}

void SetGamepad(const GamepadReading& reading) { GamepadLines = GamepadLinesOf(reading); }
void ReleaseGamepad() { GamepadLines = 0; }
