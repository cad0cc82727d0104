// The frame every modal screen (menus and debugger) follows: the keyboard
// is the screen's own from the way in (no key pressed there reaches the
// machine), the sound is silenced on the way in and given back on the way
// out, and the window messages that queued up meanwhile are dropped, all
// but the last.
#pragma once
#include <cstdint>

// The three sound buffers' volumes from before the menu.
struct SavedVolumes {
    int32_t buffer1 = 0;
    int32_t buffer2 = 0;
    int32_t buffer3 = 0;
};

// Takes the keyboard for the menu; with sound emulation on, keeps the
// buffers' volumes and silences them.
void EnterMenu(SavedVolumes& saved);
// Gives the keyboard back to the machine (keys still down stay the
// menu's until released); with sound emulation on, gives the buffers
// their volumes back.  Then
// removes every pending window message without handling it and dispatches
// the last one removed, so only the most recent reaches the window
// procedure.  A pending quit message is left in the queue for the main loop.
void LeaveMenu(const SavedVolumes& saved);
