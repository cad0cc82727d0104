// Frame length in processor cycles in the older model (Accuracy=0), through
// the real main loop: on double-speed lines the timers and the raster see
// half the cycles.
#include <gtest/gtest.h>

#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

// Runs the main loop over whole frames and adds up the processor cycles.
// The tiny KERNAL spins on one JMP, so every instruction takes the same
// number of cycles (two while the interpreter is a placeholder).
long CyclesOverFrames(int frames)
{
    LastCycle = 0;
    ExecuteInstruction();
    const long perInstruction = LastCycle;
    int exitCode = 0;
    // Align with the start of a frame.
    uint16_t previousLine = Ted.RasterLine;
    for (int pass = 0; pass < 200000; pass++) {
        EXPECT_TRUE(MainLoopPass(&exitCode));
        if (Ted.RasterLine < previousLine)
            break;
        previousLine = Ted.RasterLine;
    }
    long cycles = 0;
    int wraps = 0;
    previousLine = Ted.RasterLine;
    while (wraps < frames) {
        const bool doubleSpeed = Ted.DoubleSpeedLine == 1 && Ted.SingleClock == 0;
        EXPECT_TRUE(MainLoopPass(&exitCode));
        cycles += doubleSpeed ? 2 * perInstruction : perInstruction;
        if (Ted.RasterLine < previousLine)
            wraps++;
        previousLine = Ted.RasterLine;
    }
    return cycles;
}

TEST(FrameLength, ProcessorCyclesPerFrame)
{
    struct Case {
        const char* name;
        uint8_t ff06;
        uint8_t ff13;
        long cyclesPerFrame;
    } cases[] = {
        // 207 single-speed lines of 57 cycles and 105 double-speed lines of 114.
        {"display enabled", 0x1B, 0x00, 23769},
        {"display blanked", 0x0B, 0x00, 35568},
        {"single clock, display enabled", 0x1B, 0x02, 17784},
        {"single clock, display blanked", 0x0B, 0x02, 17784},
    };
    ScratchDirectory dir;
    dir.WriteTinyRoms();
    ASSERT_TRUE(BootMachine());
    Config.Accuracy = 0;   // the older model's pass pairs (measured_timing_test.cpp has the chip's)
    AppActive = 1;
    int exitCode = 0;
    for (int i = 0; i < 10; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));   // take the reset
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteByte(0xFF06, c.ff06);
        WriteByte(0xFF13, c.ff13);
        const int frames = 3;
        const long cycles = CyclesOverFrames(frames);
        // The frame ends fall inside instructions: allow a few cycles.
        EXPECT_NEAR(cycles, frames * c.cyclesPerFrame, 12);
    }
    ResetMachineToPowerOn();
}

}  // namespace
