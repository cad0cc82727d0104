// The machine's processor registers.
#pragma once
#include <cstdint>

#include "cpu/register_file.h"

// The machine's processor (its core is MachineCpu, machine/machine_bus.h): these
// name parts of it.
extern CpuRegisters& Cpu;
// Scratch byte: the operand of ADC/SBC, the byte pulled by PLP/RTI, BIT's
// operand, a taken branch's offset.  Not part of a snapshot.
extern uint8_t& OperandLatch;
// Cycles taken by the last instruction; the interrupt check, timers, raster
// and renderer consume it.
extern uint16_t LastCycle;
// The NMOS processor (Accuracy=1): FlagI as it was before the last CLI, SEI
// or PLP, which change I after the interrupt check (PollOfInstruction,
// cpu.h); the machine's interrupt poll sets it to FlagI once it has looked.
extern uint8_t& FlagIBefore;
