// The modal on-screen menus.  Each runs inside the main loop's call until
// the user leaves it, and clears its own request flag.
#pragma once
#include <cstdint>

// Whether sound is heard (1, the start) or the volume table is all silence
// (0); switched in the options menu, kept for the whole run.
extern uint8_t SoundOn;

void RunOptionsMenu();   // F7
void RunLoadMenu();      // F8
void RunSaveMenu();      // Shift+F8
