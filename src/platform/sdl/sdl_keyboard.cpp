// The keyboard device on SDL2 (placeholder until the keyboard work lands:
// it can be acquired and released and reports every key up).
#include <cstring>

#include "platform/sdl/sdl_backend.h"

struct InputSystem {
    int unused = 0;
};

struct KeyboardDevice {
    bool acquired = false;
};

int32_t DirectInputCreate(uint32_t, InputSystem** out)
{
    *out = new InputSystem();
    return DI_OK;
}

int32_t InputCreateKeyboard(InputSystem* input, KeyboardDevice** out)
{
    if (!input)
        return DIERR_NOTACQUIRED;
    *out = new KeyboardDevice();
    return DI_OK;
}

int32_t KeyboardSetDataFormat(KeyboardDevice*) { return DI_OK; }
int32_t KeyboardSetCooperativeLevel(KeyboardDevice*, WindowHandle, uint32_t) { return DI_OK; }

int32_t KeyboardAcquire(KeyboardDevice* keyboard)
{
    keyboard->acquired = true;
    return DI_OK;
}

int32_t KeyboardUnacquire(KeyboardDevice* keyboard)
{
    keyboard->acquired = false;
    return DI_OK;
}

int32_t KeyboardGetState(KeyboardDevice* keyboard, uint8_t state[256])
{
    // Menus poll the keyboard in loops: keep the desktop and the picture
    // served meanwhile.
    SdlPumpEvents();
    if (!keyboard->acquired)
        return DIERR_NOTACQUIRED;
    std::memset(state, 0, 256);
    return DI_OK;
}

void KeyboardRelease(KeyboardDevice* keyboard) { delete keyboard; }
void InputRelease(InputSystem* input) { delete input; }
