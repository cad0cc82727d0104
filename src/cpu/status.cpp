// The status byte: the flag bytes packed into the byte the stack holds, and
// unpacked again.  The older model's three forms come first; the snapshot
// stores the PHP form of the older model in both models.
//
// The NMOS part keeps no B flag: bit 5 of every byte it pushes is 1, and
// bit 4 tells who pushed it, 1 for PHP and BRK, 0 for an interrupt.  BRK
// pushes the I flag as it was before BRK sets it.
#include "cpu/cpu.h"
#include "cpu/processor_model.h"

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

uint8_t StatusForPhp()
{
    return NmosRules() ? static_cast<uint8_t>(CommonBits() | 0x30 | Bit(Cpu.FlagI, 2)) : PackStatusPhp();
}

uint8_t StatusForBrk()
{
    return NmosRules() ? static_cast<uint8_t>(CommonBits() | 0x30 | Bit(Cpu.FlagI, 2)) : PackStatusBrk();
}

uint8_t StatusForInterrupt()
{
    return NmosRules() ? static_cast<uint8_t>(CommonBits() | 0x20 | Bit(Cpu.FlagI, 2)) : PackStatusInterrupt();
}

void PullStatus(uint8_t status)
{
    UnpackStatus(status);
    if (NmosRules())
        Cpu.FlagB = 0;
}

void EnterInterrupt()
{
    PushWord(Cpu.PC);
    PushByte(StatusForInterrupt());
}
