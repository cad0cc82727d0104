#include "machine/machine_state.h"
#include "platform/devices.h"
#include "platform/setup.h"

void ResetPlatformState()
{
    DisplayWidth = 0;
    DisplayHeight = 0;
    MainWindow = nullptr;
}
