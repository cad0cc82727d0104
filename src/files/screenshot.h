// The screenshot: the 320 x 200 display window as an 8-bit BMP.
#pragma once
#include <cstdint>

constexpr uint32_t ScreenshotFileSize = 65078;

// The main loop's request handler: writes "output.bmp" and clears
// ScreenshotRequest once the whole file is written.  A failing write is
// retried at most once per emulated frame; after ScreenshotRetryFrames
// failed attempts the request is given up (cleared) with a message on the
// standard error.
void WriteScreenshot();
constexpr uint16_t ScreenshotRetryFrames = 150;   // three seconds at 50 Hz

// Writes the picture now under any name; true when the whole file was
// written (an earlier file of that name survives a failure).
bool WriteScreenshotTo(const char* fileName);

// Failed attempts of the pending request, and the emulated cycles counted
// since the last one.  Zero while no attempt has failed.
extern uint16_t ScreenshotFailures;
extern uint32_t ScreenshotWaitCycles;
