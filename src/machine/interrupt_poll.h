// The measured machine's interrupt and reset lines (Accuracy=1): after each
// instruction, with the TED stepped to the instruction's end, the NMOS
// processor takes a requested reset, or the TED's interrupt if the line was
// active where the instruction looked at it.
#pragma once

#include <cstdint>

// The address of the instruction the machine executed last (set by the
// main loop and the debugger's steps before each one).
extern uint16_t LastInstructionAddress;

// Runs the reset or interrupt sequence the last instruction leads to, if
// any, and steps the TED over its cycles (deferred: the main loop's batched
// timers); LastCycle then counts them too.  Keeps Ted.InterruptWatch set
// while anything can still be taken.
void PollInterrupts(bool deferred);
