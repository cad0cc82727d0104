// The measured machine (Accuracy=1) run from one TED event to the next: the
// processor runs instructions back to back over a bus that leaves the TED
// behind, and the TED catches up only where it is needed, so that
// everything comes out as the stepped passes, which step the TED after
// every instruction, make it.
#pragma once

// Whether the next pass may run to the TED's next event: nothing asks for
// a look after every instruction (an interrupt or reset request, a moving
// tape, a breakpoint, a file waiting to start, the frame's first line,
// the debugger's held picture).
bool CanRunToNextEvent();

// One pass's processor work in place of a single instruction: instructions
// up to the first to reach the TED's next event, to an access that needs
// the TED (I/O, the processor port, the TED's registers), or to the
// message pump's turn, with the TED stepped to the end of the last of them,
// and its interrupt or reset taken as after a single instruction.
void RunToNextEvent();

// False while a run leaves the TED behind the processor: nothing may look
// at the TED then (checked in debug builds where the bus reaches it).
bool TedInStep();
