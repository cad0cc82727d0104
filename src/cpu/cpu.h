// The machine's processor: one instruction at a time over the machine's
// memory map, and the words, stack, status packing and arithmetic on its
// registers (Cpu) that the machine, the debugger and the snapshots use.  The
// core itself is core.h; these are implemented by the machine
// (src/machine/machine_cpu.cpp), which owns the bus.
#pragma once
#include <cstdint>
#include "cpu/registers.h"

// A little-endian word through the memory map, high byte first.  No page
// wrap: a word at 0x00FF takes its high byte from 0x0100, at 0xFFFF from 0x0000.
uint16_t ReadWord(uint16_t address);

// Page 1 is always plain RAM.
void PushByte(uint8_t value);
void PushWord(uint16_t value);
uint8_t PullByte();
uint16_t PullWord();

// The older model's status forms (Accuracy=0); the PHP form is also the
// snapshot's status byte in both models, and UnpackStatus reads it back.
uint8_t PackStatusPhp();        // N V 0 B D I Z C
uint8_t PackStatusBrk();        // N V 1 1 D 0 Z C
uint8_t PackStatusInterrupt();  // N V 0 0 D I Z C
void UnpackStatus(uint8_t status);  // every flag, FlagB from bit 4

// The bytes pushed and pulled by the model in force (processor_model.h).
// With Accuracy=1: N V 1 1 D I Z C for PHP and for BRK (taken before BRK
// sets FlagI), N V 1 0 D I Z C for an interrupt, and PLP and RTI leave
// FlagB 0.  With Accuracy=0 the older forms above.
uint8_t StatusForPhp();
uint8_t StatusForBrk();
uint8_t StatusForInterrupt();
void PullStatus(uint8_t status);

// Push PC (high byte first) and StatusForInterrupt.
void EnterInterrupt();

// ADC and SBC on OperandLatch.  AddDecimal and SubtractDecimal are the older
// model's decimal steps, the Nmos ones the chip's; AddDecimalOfModel and
// SubtractDecimalOfModel choose between them by the Accuracy setting.
void AddBinary();
void AddDecimal();
void AddDecimalNmos();
void AddDecimalOfModel();
void SubtractBinary();
void SubtractDecimal();
void SubtractDecimalNmos();
void SubtractDecimalOfModel();

// Executes the one instruction at PC on the machine's core and sets
// LastCycle.  The rules are the model's (processor_model.h): the NMOS
// processor or the older model.
void ExecuteInstruction();

// The NMOS processor's interrupt check (Accuracy=1), for the instruction
// just executed, given its opcode.  An instruction looks at the interrupt
// line at the start of its last cycle; a taken branch that stays in its
// page looks only at the start of its second cycle, two before its end.
// CLI, SEI and PLP change I after that look, RTI before it.  A jam opcode
// has stopped the processor: no interrupt is taken.
struct InterruptPoll {
    uint8_t cyclesBeforeEnd;   // where the look was: this many cycles before the end
    bool allowed;              // I was clear there and the processor runs
};
InterruptPoll PollOfInstruction(uint8_t opcode);

// The NMOS processor's sequences in place of an instruction, 7 cycles each
// (the caller counts them).  The interrupt pushes PC and the status byte,
// sets I and loads PC from 0xFFFE.  The reset moves the stack pointer down
// by three without writing (the pushes are reads on the chip), sets I and
// loads PC from 0xFFFC.
constexpr uint16_t InterruptSequenceCycles = 7;
void EnterInterruptSequence();
void ResetSequence();
