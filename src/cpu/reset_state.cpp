#include "cpu/instruction_bytes.h"
#include "machine/machine_state.h"

void ResetCpuState()
{
    Cpu = CpuRegisters{};
    OperandLatch = 0;
    LastCycle = 0;
    InstructionScratch[0] = InstructionScratch[1] = InstructionScratch[2] = 0;
    InstructionBytes = InstructionScratch;
}
