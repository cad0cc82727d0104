#include "machine/machine_state.h"
#include "platform/devices.h"
#include "platform/desktop.h"
#include "platform/key_input.h"
#include "platform/start_file.h"
#include "platform/setup.h"

void ResetPlatformState()
{
    DisplayWidth = 0;
    DisplayHeight = 0;
    MainWindow = nullptr;
    ResetKeyInput();
    ResetDesktopState();
    ResetStartFileState();
}
