#include "debugger/debugger.h"
#include "machine/machine_state.h"

// The pages arrive with the menu text primitives; until then a request is dropped.
uint16_t DumpAddress = 0;
uint8_t DumpLock = 0;
void RunDebugger() { DebuggerRequest = 0; }
void DrawStatusLine() {}
int DisassemblerPage() { return 0; }
int MemoryDumpPage() { return 0; }
int TedDumpPage() { return 0; }
int RegistersPage() { return 0; }
