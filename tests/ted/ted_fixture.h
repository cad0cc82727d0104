// A bare machine for the TED tests: power-on state, the internal tables, and
// Ram64 pointing at a buffer of exactly 64 KiB, so that AddressSanitizer
// reports any read past 0xFFFF.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "machine/machine_state.h"
#include "machine/settings.h"

class TedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetMachineToPowerOn();
        ram.assign(0x10000, 0);
        Ram64 = ram.data();
        BuildInternalTables();
    }
    void TearDown() override
    {
        Ram64 = nullptr;
        ResetMachineToPowerOn();
    }

    // One LineStep of the given cycles.
    static void Step(uint16_t cycles)
    {
        LastCycle = cycles;
        LineStep();
    }

    // Enters the given line as the TED would (edges, flags, double speed),
    // runs its line set-up and draws all its chunks.
    static void RenderLine(int line)
    {
        Ted.RasterLine = static_cast<uint16_t>((line + FrameLines - 1) % FrameLines);
        Ted.LinePosition = 224;
        Step(1);   // the line begins
        Step(0);   // its set-up
        Ted.LinePosition = 224;
        Ted.RenderColumn = 228;
        RenderStep();
    }

    static void RenderLines(int first, int last)
    {
        for (int line = first; line <= last; line++)
            RenderLine(line);
    }

    static uint8_t Pixel(int line, int x) { return FrameBuffer[line * FrameWidth + x]; }

    std::vector<uint8_t> ram;
};
