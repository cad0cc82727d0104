#include "files/screenshot.h"
#include "machine/machine_state.h"

void ResetFilesState()
{
    ScreenshotFailures = 0;
    ScreenshotWaitCycles = 0;
}
