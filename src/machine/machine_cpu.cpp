// The machine processor's register-level operations (cpu.h) over the
// memory map: the words and stack for the interrupt sequences and the
// debugger, the status forms for the snapshots, the arithmetic steps.
#include "cpu/core_state.h"
#include "cpu/cpu.h"
#include "machine/interrupt_poll.h"
#include "machine/machine_bus.h"
#include "machine/machine_state.h"
#include "machine/processor_model.h"
#include "ted/memory_map.h"

uint16_t ReadWord(uint16_t address)
{
    uint8_t high = ReadByte(static_cast<uint16_t>(address + 1));
    uint8_t low = ReadByte(address);
    return static_cast<uint16_t>(low | (high << 8));
}

void PushByte(uint8_t value)
{
    BeforeVideoWrite(0x0100);
    Ram64[0x0100 + Cpu.SP] = value;
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 1);
}

void PushWord(uint16_t value)
{
    BeforeVideoWrite(0x0100);
    Ram64[0x0100 + Cpu.SP] = static_cast<uint8_t>(value >> 8);
    Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP - 1)] = static_cast<uint8_t>(value);
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 2);
}

uint8_t PullByte()
{
    Cpu.SP = static_cast<uint8_t>(Cpu.SP + 1);
    return Ram64[0x0100 + Cpu.SP];
}

uint16_t PullWord()
{
    uint8_t low = Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP + 1)];
    uint8_t high = Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP + 2)];
    Cpu.SP = static_cast<uint8_t>(Cpu.SP + 2);
    return static_cast<uint16_t>(low | (high << 8));
}

uint8_t PackStatusPhp() { return OlderStatusPhp(Cpu); }
uint8_t PackStatusBrk() { return OlderStatusBrk(Cpu); }
uint8_t PackStatusInterrupt() { return OlderStatusInterrupt(Cpu); }
void UnpackStatus(uint8_t status) { UnpackStatusOf(Cpu, OperandLatch, status); }

uint8_t StatusForPhp() { return NmosRules() ? StatusPhpOf<true>(Cpu) : StatusPhpOf<false>(Cpu); }
uint8_t StatusForBrk() { return NmosRules() ? StatusBrkOf<true>(Cpu) : StatusBrkOf<false>(Cpu); }
uint8_t StatusForInterrupt() { return NmosRules() ? StatusInterruptOf<true>(Cpu) : StatusInterruptOf<false>(Cpu); }

void PullStatus(uint8_t status)
{
    NmosRules() ? PullStatusOf<true>(Cpu, OperandLatch, status) : PullStatusOf<false>(Cpu, OperandLatch, status);
}

void EnterInterrupt()
{
    PushWord(Cpu.PC);
    PushByte(StatusForInterrupt());
}

void AddBinary() { AddBinaryOf(Cpu, OperandLatch); }
void AddDecimal() { AddDecimalOlderOf(Cpu, OperandLatch); }
void AddDecimalNmos() { AddDecimalNmosOf(Cpu, OperandLatch); }
void AddDecimalOfModel() { NmosRules() ? AddDecimalNmos() : AddDecimal(); }
void SubtractBinary() { SubtractBinaryOf(Cpu, OperandLatch); }
void SubtractDecimal() { SubtractDecimalOlderOf(Cpu, OperandLatch); }
void SubtractDecimalNmos() { SubtractDecimalNmosOf(Cpu, OperandLatch); }
void SubtractDecimalOfModel() { NmosRules() ? SubtractDecimalNmos() : SubtractDecimal(); }

namespace {
constexpr bool IsJam(uint8_t opcode)
{
    return (opcode & 0x0F) == 0x02 && (opcode < 0x80 || (opcode & 0x10));
}
}  // namespace

InterruptPoll PollOfInstruction(uint8_t opcode)
{
    InterruptPoll poll{1, !Cpu.FlagI};
    if ((opcode & 0x1F) == 0x10 && LastCycle == 3)
        poll.cyclesBeforeEnd = 2;   // a taken branch that stayed in its page
    else if (opcode == 0x58 || opcode == 0x78 || opcode == 0x28)
        poll.allowed = !FlagIBefore;   // CLI, SEI, PLP
    else if (IsJam(opcode))
        poll.allowed = false;
    return poll;
}

void EnterInterruptSequence()
{
    EnterInterrupt();
    Cpu.FlagI = 1;
    Cpu.PC = ReadWord(0xFFFE);
}

void ResetSequence()
{
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 3);
    Cpu.FlagI = 1;
    Cpu.PC = ReadWord(0xFFFC);
}

void ResetCpuState()
{
    MachineCpu = CpuCore{};
    LastCycle = 0;
    LastInstructionAddress = 0;
}
