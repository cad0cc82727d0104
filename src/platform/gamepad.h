// A game controller as the machine's joystick.  The backend reads its
// D-pad, left stick and face buttons; this turns them into the joystick
// lines of the port chosen with the Joystick setting (or the options
// menu's J), port 1 when none is chosen.
#pragma once
#include <cstdint>

struct GamepadReading {
    bool up, down, left, right;   // D-pad
    int16_t stickX, stickY;       // left stick, -32768 (left, up) to 32767
    bool fire;                    // any face button
};

// Stick positions within this distance of the centre count as centred.
constexpr int16_t GamepadDeadZone = 8000;

// The reading as joystick lines (input/keyboard.h: JoystickUp...).
uint8_t GamepadLinesOf(const GamepadReading& reading);
// Gives the machine the controller's lines (0 when it is unplugged).
void SetGamepad(const GamepadReading& reading);
void ReleaseGamepad();
