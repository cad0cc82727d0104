#include "machine/machine_state.h"

void ResetCpuState()
{
    Cpu = CpuRegisters{};
    OperandLatch = 0;
    LastCycle = 0;
    LastOpcode = 0;
    FlagIBefore = 0;
}
