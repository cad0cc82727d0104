// Device set-up and teardown, the window procedure's hot keys, and the one
// fatal error path.
#pragma once
#include <cstdint>
#include "platform/devices.h"

extern uint16_t DisplayWidth;
extern uint16_t DisplayHeight;
extern PaletteEntry PaletteEntries[256];

WindowHandle CreateMainWindow(int showState);
int32_t SetUpDevices(int showState);
void ReleaseAll();
void WaitVerticalBlank();
int32_t ReportError(WindowHandle window, int32_t code, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
