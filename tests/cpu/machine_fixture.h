// The whole machine with a tiny ROM, for processor tests timed through the
// TED (Accuracy=1): RAM everywhere (the vectors too), the screen blanked and
// the single clock forced, so that a processor cycle is one slot of the
// TED's clock and one tick of its timers, and a line is 57 cycles.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "cpu/cpu.h"
#include "ted/memory_map.h"
#include "machine/startup.h"
#include "support/test_support.h"

struct CpuInMachine : ::testing::Test {
    ScratchDirectory dir;
    int exitCode = 0;

    void SetUp() override
    {
        dir.WriteTinyRoms(0xF000);
        ASSERT_TRUE(BootMachine());
        ASSERT_TRUE(MainLoopPass(&exitCode));   // the reset
        Prepare();
    }
    // ROM off, blanked, single clock, no interrupt source, timer 2 from 0xFFFF.
    static void Prepare()
    {
        for (auto [address, value] : {std::pair{0xFF3F, 0}, {0xFF06, 0x0B}, {0xFF13, 0x02}, {0xFF0A, 0x00},
                                      {0xFF09, 0xFF}, {0xFF02, 0xFF}, {0xFF03, 0xFF}})
            WriteByte(static_cast<uint16_t>(address), static_cast<uint8_t>(value));
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    static void Poke(uint16_t address, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            Ram64[address++] = b;
    }

    // Runs main-loop passes until PC is at `stop`; false if it never gets there.
    bool RunTo(uint16_t stop, int passes)
    {
        for (int i = 0; i < passes && Cpu.PC != stop; i++)
            if (!MainLoopPass(&exitCode))
                return false;
        return Cpu.PC == stop;
    }
};
