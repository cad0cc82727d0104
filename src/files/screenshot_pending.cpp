#include "files/screenshot.h"
#include "machine/machine_state.h"

// The screenshot arrives with the files work; until then a request is dropped.
void WriteScreenshot() { ScreenshotRequest = 0; }
