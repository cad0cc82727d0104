// The machine's processor core (MachineCpu) and the bus it runs over: the
// memory map of ted/memory_map.h.  Plain RAM and ROM answer inline; every
// other address is decoded with the cycle of the instruction the access
// lands on (BusAccessCycle), so a TED register is read or written with the
// TED brought up to that cycle.
#pragma once
#include <cstdint>

#include "cpu/core.h"
#include "ted/memory_map.h"

// Cpu, OperandLatch and FlagIBefore (registers.h) are parts of it; its
// cycle counts the instructions and the interrupt and reset sequences.
extern CpuCore MachineCpu;

struct MachineBus {
    // The cycle within the instruction: the machine runs its core one
    // instruction at a time, so MachineCpu.cycle is the instruction's start.
    static unsigned Within(uint64_t cycle) { return static_cast<unsigned>(cycle - MachineCpu.cycle); }

    [[gnu::always_inline]] static uint8_t Read(uint16_t address, uint64_t cycle)
    {
        if (static_cast<uint16_t>(address - 2) < 0x7FFE) [[likely]]
            return Ram64[address];
        if (static_cast<uint16_t>(address - 0x8000) < 0x7C00 && Ted.RomEnabled) [[unlikely]]
            return address < 0xC000 ? LowRomImage()[address - 0x8000] : HighRomImage()[address - 0xC000];
        return ReadDecodedAt(address, Within(cycle));
    }

    [[gnu::always_inline]] static void Write(uint16_t address, uint8_t value, uint64_t cycle)
    {
        WriteAt(address, value, Within(cycle));
    }

    [[gnu::always_inline]] static void WriteModified(uint16_t address, uint8_t unmodified, uint8_t result,
                                                     uint64_t cycle)
    {
        WriteModifiedAt(address, unmodified, result, Within(cycle));
    }

    // The older model's jam lets an interrupt in: a raster interrupt due is
    // forgotten.
    static void OlderJam() { Ted.RasterIrqDue = 0; }
};
