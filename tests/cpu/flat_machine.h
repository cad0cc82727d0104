// A machine with 64 KiB of flat RAM (ROM switched off) for processor tests.
// The RAM is an exactly sized block of its own, so that the sanitizers see
// any access outside it.  Code must stay clear of the I/O area 0xFD00-0xFF3F.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "machine/settings.h"

inline bool SameRegisters(const CpuRegisters& a, const CpuRegisters& b)
{
    return a.PC == b.PC && a.AC == b.AC && a.XR == b.XR && a.YR == b.YR && a.SP == b.SP && a.FlagN == b.FlagN &&
           a.FlagV == b.FlagV && a.FlagB == b.FlagB && a.FlagD == b.FlagD && a.FlagI == b.FlagI &&
           a.FlagZ == b.FlagZ && a.FlagC == b.FlagC;
}

struct FlatMachine : ::testing::Test {
    std::vector<uint8_t> memory = std::vector<uint8_t>(0x10000, 0);

    void SetUp() override
    {
        ResetMachineToPowerOn();
        Ram64 = memory.data();
        Ted.RomEnabled = 0;
        Cpu.SP = 0xFF;
    }

    // The older model's status bytes and decimal flags (Accuracy=0), until
    // the test ends.
    static void UseOlderModel() { Config.Accuracy = 0; }

    void TearDown() override
    {
        Ram64 = nullptr;
        ResetMachineToPowerOn();
    }

    void Poke(uint16_t address, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            memory[address++] = b;
    }

    // Places the instruction at address, makes it the next one and runs it.
    void Run(uint16_t address, std::initializer_list<uint8_t> bytes)
    {
        Poke(address, bytes);
        Cpu.PC = address;
        ExecuteInstruction();
    }
};
