// The processor's register file.  Flags are separate bytes: zero is clear,
// anything else is set.  Some writers store the tested bit itself (FlagN gets
// value & 0x80), so every reader must test for non-zero, never compare with 1.
#pragma once
#include <cstdint>

struct CpuRegisters {
    uint16_t PC;
    uint8_t AC;
    uint8_t XR;
    uint8_t YR;
    uint8_t SP;
    uint8_t FlagN;
    uint8_t FlagV;
    uint8_t FlagB;
    uint8_t FlagD;
    uint8_t FlagI;
    uint8_t FlagZ;
    uint8_t FlagC;
    // Fills the struct out to its size: without it the byte would be padding,
    // which a copy may fill with anything, and the snapshot and test
    // comparisons of whole register files would see it.  Always 0.
    uint8_t unused;
};
