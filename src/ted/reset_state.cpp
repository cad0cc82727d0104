#include "machine/machine_state.h"
#include "ted/memory_map.h"

void ResetTedState()
{
    Ted = TedState{};
    SoundRegs = SoundRegisters{};
    SerialHackState = 0;
}
