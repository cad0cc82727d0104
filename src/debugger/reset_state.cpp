#include "debugger/debugger.h"
#include "machine/machine_state.h"

void ResetDebuggerState()
{
    DumpAddress = 0;
    DumpLock = 0;
}
