#include "cpu/cpu.h"

namespace {
inline uint8_t Bit(uint8_t flag, int position) { return static_cast<uint8_t>((flag ? 1 : 0) << position); }
inline uint8_t CommonBits()
{
    return Bit(Cpu.FlagN, 7) | Bit(Cpu.FlagV, 6) | Bit(Cpu.FlagD, 3) | Bit(Cpu.FlagZ, 1) | Bit(Cpu.FlagC, 0);
}
}  // namespace

uint8_t PackStatusPhp()
{
    return CommonBits() | Bit(Cpu.FlagB, 4) | Bit(Cpu.FlagI, 2);
}

uint8_t PackStatusBrk()
{
    return CommonBits() | 0x30;
}

uint8_t PackStatusInterrupt()
{
    return CommonBits() | Bit(Cpu.FlagI, 2);
}

void UnpackStatus(uint8_t status)
{
    Cpu.FlagN = (status >> 7) & 1;
    Cpu.FlagV = (status >> 6) & 1;
    Cpu.FlagB = (status >> 4) & 1;
    Cpu.FlagD = (status >> 3) & 1;
    Cpu.FlagI = (status >> 2) & 1;
    Cpu.FlagZ = (status >> 1) & 1;
    Cpu.FlagC = status & 1;
    OperandLatch = status;
}

void EnterInterrupt()
{
    PushWord(Cpu.PC);
    PushByte(PackStatusInterrupt());
}
