#include "machine/machine_state.h"
#include "ui/menus.h"

void ResetUiState()
{
    SoundOn = 1;
}
