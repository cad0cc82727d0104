#include "input/keyboard.h"

#include <cstring>

#include "platform/devices.h"
#include "platform/key_input.h"
#include "platform/setup.h"

uint8_t KeyState[256];
uint8_t KeyRepeatState = 0;
uint8_t GamepadLines = 0;

namespace {

// The matrix as seen by one column read: 0x80 at each index a held key
// maps to.  Every KeyMap value indexes it, 0xFF included.
uint8_t HeldAtIndex[256];

// One state read.  After input loss the device is acquired again once and
// that answer returned; no second read is made.
int32_t ReadKeyboardDevice()
{
    if (!g_pDIKeyboard)
        return DI_OK;
    if (KeyboardGetState(g_pDIKeyboard, KeyState) == DIERR_INPUTLOST)
        return KeyboardAcquire(g_pDIKeyboard);
    return DI_OK;   // other failures leave KeyState as it was
}

// Waits up to `blanks` vertical blanks while the key stays held.
void WaitWhileHeld(uint8_t scanCode, int blanks)
{
    for (int i = 0; i < blanks && KeyPressed(scanCode) == 1; i++)
        WaitVerticalBlank();
}

}  // namespace

void PollKeyboard()
{
    // The machine's own read: also while the debugger steps it, it sees
    // its own keys, never the debugger's.
    KeyInputReadForMachine(true);
    ReadKeyboardDevice();
    KeyInputReadForMachine(false);
}

namespace {

// The eight columns as the keys held and the map last made them.  The
// KERNAL reads the matrix on every pass of its scan while nothing changes,
// so the columns are worked out again only when KeyState or KeyMap differ
// from the copies they were worked out from.
struct MatrixCache {
    uint8_t columns[8];
    uint8_t state[256];
    std::array<uint8_t, 256> map;
    bool valid;
};
MatrixCache Matrix;

void WorkOutMatrix()
{
    MatrixCache& m = Matrix;
    if (m.valid && std::memcmp(m.state, KeyState, sizeof KeyState) == 0 && m.map == KeyMap) [[likely]]
        return;
    std::memset(HeldAtIndex, 0, sizeof HeldAtIndex);
    for (int i = 0; i < 256; i++)
        if (KeyState[i])
            HeldAtIndex[KeyMap[i]] = 0x80;
    for (int column = 0; column < 8; column++) {
        uint8_t rows = 0;
        for (int k = 0; k < 8; k++)
            rows |= static_cast<uint8_t>((HeldAtIndex[8 * k + column] >> 7) << k);
        m.columns[column] = static_cast<uint8_t>(~rows);
    }
    std::memcpy(m.state, KeyState, sizeof KeyState);
    m.map = KeyMap;
    m.valid = true;
}

}  // namespace

uint8_t ReadMatrixColumn(int column)
{
    WorkOutMatrix();
    return Matrix.columns[column & 7];
}

uint8_t ReadMatrixColumns(uint8_t deselected)
{
    WorkOutMatrix();
    uint8_t result = 0xFF;
    for (int i = 0; i < 8; i++)
        if (!(deselected & (1 << i)))
            result &= Matrix.columns[i];
    return result;
}

uint8_t KeyPressed(uint8_t scanCode)
{
    if (ReadKeyboardDevice() < 0)
        return KeyDeviceLost;
    return KeyState[scanCode] ? 1 : 0;
}

void WaitKeyRelease(uint8_t scanCode)
{
    // One vertical blank between reads: a release is seen within a frame,
    // the processor is not spun, and virtual time moves in the headless
    // backend.
    while (KeyPressed(scanCode) == 1)
        WaitVerticalBlank();
}

void KeyRepeat(uint8_t scanCode)
{
    switch (KeyRepeatState) {
    case 0:
        KeyRepeatState = 1;   // the first press acts at once
        break;
    case 1:
        WaitWhileHeld(scanCode, 30);
        // A lost device (KeyDeviceLost) counts as held here.
        KeyRepeatState = KeyPressed(scanCode) != 0 ? 2 : 0;
        break;
    case 2:
        WaitWhileHeld(scanCode, 4);
        if (KeyPressed(scanCode) == 0)
            KeyRepeatState = 0;
        break;
    default:
        KeyRepeatState = 0;
        break;
    }
}
