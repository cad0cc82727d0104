// The measured machine's interrupt and reset lines (Accuracy=1): after each
// instruction, with the TED stepped to the instruction's end, the NMOS
// processor takes a requested reset, or the TED's interrupt if the line was
// active where the instruction looked at it.
#pragma once

#include <cstdint>

#include "cpu/registers.h"
#include "machine/machine_state.h"

// The address of the instruction the machine executed last (set by the
// main loop and the debugger's steps before each one).
extern uint16_t LastInstructionAddress;

// Runs the reset or interrupt sequence the last instruction leads to, if
// any, and steps the TED over its cycles (deferred: the main loop's batched
// timers); LastCycle then counts them too.  Keeps Ted.InterruptWatch set
// while anything can still be taken.
void PollInterrupts(bool deferred);

// The main loop's form: while I is set nothing can be taken, unless the
// last instruction set it (SEI and PLP look with I as it was: FlagIBefore,
// which each poll brings up to date) or a reset waits.  A program that runs
// with I set while a request stands is not slowed down.
inline void PollUnmaskedInterrupts(bool deferred)
{
    if (!(Cpu.FlagI && FlagIBefore) || Ted.ResetRequest)
        PollInterrupts(deferred);
}
