// The whole machine with a tiny ROM, for processor tests that time
// instructions through the TED (Accuracy=1): ROM switched off (RAM
// everywhere, the vectors too), the screen blanked and the single clock
// forced, so that every processor cycle is one slot of the TED's single
// clock and one tick of its timers, and a line is 57 cycles.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

struct CpuInMachine : ::testing::Test {
    ScratchDirectory dir;
    int exitCode = 0;

    void SetUp() override
    {
        dir.WriteTinyRoms(0xF000);
        ASSERT_TRUE(BootMachine());
        ASSERT_TRUE(MainLoopPass(&exitCode));   // the reset
        WriteByte(0xFF3F, 0);      // RAM everywhere
        WriteByte(0xFF06, 0x0B);   // blanked: no bad lines
        WriteByte(0xFF13, 0x02);   // the single clock
        WriteByte(0xFF0A, 0x00);   // no interrupt sources
        WriteByte(0xFF09, 0xFF);
        WriteByte(0xFF02, 0xFF);   // timer 2 runs from 0xFFFF
        WriteByte(0xFF03, 0xFF);
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    static void Poke(uint16_t address, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            Ram64[address++] = b;
    }

    // Runs main-loop passes until PC is at `stop`; false if it never gets there.
    bool RunTo(uint16_t stop, int passes = 10000)
    {
        for (int i = 0; i < passes && Cpu.PC != stop; i++)
            if (!MainLoopPass(&exitCode))
                return false;
        return Cpu.PC == stop;
    }
};
