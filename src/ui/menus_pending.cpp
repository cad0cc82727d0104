#include "machine/machine_state.h"
#include "ui/menus.h"

// The menus arrive with the menu work; until then a request is dropped.
void RunOptionsMenu() { OptionsMenuRequest = 0; }
void RunLoadMenu() { LoadMenuRequest = 0; }
void RunSaveMenu() { SaveMenuRequest = 0; ShiftHeld = 0; }
