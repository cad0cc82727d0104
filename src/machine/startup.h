// Program start-up and the emulation main loop.
#pragma once
#include <cstdint>

// Start-up steps 1-16.  Returns true when the main loop may run; on a failure
// the error has been reported and exitCode holds the program's exit code.
bool StartUp(int showState, int* exitCode);

// One pass of the main loop.  Returns false when the quit message arrived,
// with its parameter in exitCode.
bool MainLoopPass(int* exitCode);

// Passes of the main loop until Ted.FramesCompleted reaches untilFrame or
// the quit message arrives (false, with exitCode set).  The machine runs
// exactly as through MainLoopPass, with the timers' ticks applied in
// batches between the moments anyone can see them.
bool RunMainLoop(int* exitCode, uint64_t untilFrame = UINT64_MAX);

// StartUp followed by the main loop; returns the process exit code.  A
// startFile (or null) is started once the machine is up.
int RavlinMain(int showState, const char* startFile = nullptr);
