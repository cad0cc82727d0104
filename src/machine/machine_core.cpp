// The machine's processor: its core run one instruction at a time over the
// machine's bus, in the model the Accuracy setting asks for.
#include "cpu/cpu.h"
#include "machine/machine_bus.h"
#include "machine/processor_model.h"

CpuCore MachineCpu{};
CpuRegisters& Cpu = MachineCpu.regs;
uint8_t& OperandLatch = MachineCpu.operandLatch;
uint8_t& FlagIBefore = MachineCpu.flagIBefore;

void ExecuteInstruction()
{
    // The machine's jam is the opcode executed again at every step (Step
    // does not look at jammed), so a reset or a snapshot that moves PC ends
    // it.
    const uint64_t before = MachineCpu.cycle;
    if (NmosRules()) [[likely]]
        Step<MachineBus, true>(MachineCpu);
    else
        Step<MachineBus, false>(MachineCpu);
    // The older model's do-nothing opcodes leave LastCycle as it was.
    if (MachineCpu.cycle != before)
        LastCycle = static_cast<uint16_t>(MachineCpu.cycle - before);
}
