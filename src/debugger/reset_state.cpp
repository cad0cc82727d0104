#include "machine/machine_state.h"

void ResetDebuggerState()
{
}
