#include "machine/interrupt_poll.h"
#include "machine/machine_state.h"

void ResetCpuState()
{
    Cpu = CpuRegisters{};
    OperandLatch = 0;
    LastCycle = 0;
    FlagIBefore = 0;
    LastInstructionAddress = 0;
}
