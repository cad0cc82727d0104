#include "files/screenshot.h"

#include <cstdio>

#include "files/bmp_writer.h"
#include "files/safe_save.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "ted/palette.h"

uint16_t ScreenshotFailures = 0;
uint32_t ScreenshotWaitCycles = 0;

namespace {

// The display window within the frame buffer.
constexpr int WindowTopLine = 56;
constexpr int WindowLeftPixel = 64;
constexpr uint32_t WindowWidth = 320;
constexpr uint32_t WindowHeight = 200;

// One emulated frame: 312 lines of 57 TED cycles.
constexpr uint32_t FrameCycles = 312 * 57;

}  // namespace

bool WriteScreenshotTo(const char* fileName)
{
    // 320 x 200 palette indices, rows bottom-up: the 54-byte header, the
    // 1,024-byte colour table and 64,000 pixel bytes make 65,078 bytes.
    const uint8_t* window = FrameBuffer + WindowTopLine * FrameWidth + WindowLeftPixel;
    return SaveFileReplacingVia(fileName, [window](const char* temporary) {
        return WriteBmp8(temporary, window, WindowWidth, WindowHeight, MachinePalette, FrameWidth);
    });
}

void WriteScreenshot()
{
    // After a failure, wait for a frame's worth of emulated cycles (what
    // the timers and the raster consumed) before trying again.
    if (ScreenshotFailures > 0) {
        ScreenshotWaitCycles += LastCycle;
        if (ScreenshotWaitCycles < FrameCycles)
            return;
    }
    ScreenshotWaitCycles = 0;
    if (WriteScreenshotTo("output.bmp")) {
        // One step of the shared key-repeat pacer for F9, key held or not:
        // with F9 up it only moves the shared repeat state on.
        KeyRepeat(DIK_F9);
        ScreenshotFailures = 0;
        ScreenshotRequest = 0;
        return;
    }
    if (++ScreenshotFailures >= ScreenshotRetryFrames) {
        std::fprintf(stderr, "Ravlin: cannot write output.bmp (%s); screenshot abandoned\n", SaveFailureReason().c_str());
        ScreenshotFailures = 0;
        ScreenshotRequest = 0;
    }
}
