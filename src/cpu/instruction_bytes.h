// The bytes of the instruction at PC, fetched once per instruction.  Code
// runs from plain RAM or from a ROM window nearly always; there the three
// bytes at PC are read straight from the image the memory map would read
// them from.  Elsewhere (the I/O pages, the ends of the windows) they are
// read through ReadByte into a scratch copy; those reads change nothing.
#pragma once
#include <cstdint>

#include "cpu/registers.h"
#include "ted/memory_map.h"

extern const uint8_t* InstructionBytes;
extern uint8_t InstructionScratch[3];

inline void FetchInstructionBytes()
{
    const uint16_t pc = Cpu.PC;
    if (static_cast<uint16_t>(pc - 2) <= 0x7FFD - 2) [[likely]] {
        InstructionBytes = Ram64 + pc;   // 0x0002-0x7FFF
        return;
    }
    if (Ted.RomEnabled) {
        if (static_cast<uint16_t>(pc - 0x8000) <= 0x3FFD) {
            InstructionBytes = LowRomImage() + (pc - 0x8000);
            return;
        }
        if (static_cast<uint16_t>(pc - 0xC000) <= 0x3BFD) {
            InstructionBytes = HighRomImage() + (pc - 0xC000);
            return;
        }
        if (static_cast<uint16_t>(pc - 0xFC00) <= 0xFD) {
            InstructionBytes = KernalRom + (pc - 0xC000);   // the KERNAL's fixed page
            return;
        }
    } else if (pc >= 2 && pc <= 0xFCFD) {
        InstructionBytes = Ram64 + pc;   // RAM under the banked-out ROM
        return;
    }
    for (uint16_t i = 0; i < 3; i++)
        InstructionScratch[i] = ReadByte(static_cast<uint16_t>(pc + i));
    InstructionBytes = InstructionScratch;
}
