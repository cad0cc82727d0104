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
};
