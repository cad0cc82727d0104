#include "files/screenshot.h"

#include <cstdio>
#include <vector>

#include "files/safe_save.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "ted/palette.h"

uint16_t ScreenshotFailures = 0;
uint32_t ScreenshotWaitCycles = 0;

namespace {

// File header and bitmap information header: "BM", file size 65078, pixel
// data at 1078; 40-byte header, 320 x 200 (positive height: bottom row
// first), one plane, 8 bits per pixel, no compression, 64000 image bytes.
constexpr uint8_t BitmapHeader[54] = {
    0x42, 0x4D, 0x36, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x04, 0x00, 0x00,
    0x28, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x01, 0x00,
    0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

// The display window within the frame buffer.
constexpr int WindowTopLine = 56;
constexpr int WindowBottomLine = 255;
constexpr int WindowLeftPixel = 64;
constexpr int WindowWidth = 320;

// One emulated frame: 312 lines of 57 TED cycles.
constexpr uint32_t FrameCycles = 312 * 57;

}  // namespace

bool WriteScreenshotTo(const char* fileName)
{
    std::vector<uint8_t> image(BitmapHeader, BitmapHeader + sizeof BitmapHeader);
    image.reserve(ScreenshotFileSize);
    for (const auto& rgb : MachinePalette) {
        image.push_back(rgb[2]);
        image.push_back(rgb[1]);
        image.push_back(rgb[0]);
        image.push_back(0);
    }
    for (int line = WindowBottomLine; line >= WindowTopLine; line--) {
        const uint8_t* row = FrameBuffer + line * FrameWidth + WindowLeftPixel;
        image.insert(image.end(), row, row + WindowWidth);
    }
    return SaveFileReplacing(fileName, image.data(), image.size());
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
        std::fprintf(stderr, "Ravlin: cannot write output.bmp; screenshot abandoned\n");
        ScreenshotFailures = 0;
        ScreenshotRequest = 0;
    }
}
