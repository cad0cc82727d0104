// The frame every modal screen (menus and debugger) follows: the sound is
// silenced on the way in and given back on the way out, and the window
// messages that queued up meanwhile are dropped, all but the last.
#pragma once
#include <cstdint>

// The three sound buffers' volumes from before the menu.
struct SavedVolumes {
    int32_t buffer1 = 0;
    int32_t buffer2 = 0;
    int32_t buffer3 = 0;
};

// With sound emulation on: keeps the buffers' volumes and silences them.
void EnterMenu(SavedVolumes& saved);
// With sound emulation on: gives the buffers their volumes back.  Then
// removes every pending window message without handling it and dispatches
// the last one removed, so only the most recent reaches the window
// procedure.  A pending quit message is left in the queue for the main loop.
void LeaveMenu(const SavedVolumes& saved);
