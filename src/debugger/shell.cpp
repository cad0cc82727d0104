// The debugger shell: the machine stands still, the sound is silenced, and
// the pages run in turn until one of them answers "leave".
#include "debugger/debugger.h"
#include "machine/machine_state.h"
#include "ui/menu_protocol.h"

void RunDebugger()
{
    SavedVolumes volumes;
    EnterMenu(volumes);
    // One pass tries the pages in rising order, so a switch to a higher page
    // happens in the same pass and one to a lower page in the next.
    int page = PageDisassembler;
    while (page != PageLeave) {
        if (page == PageDisassembler)
            page = DisassemblerPage();
        if (page == PageMemoryDump)
            page = MemoryDumpPage();
        if (page == PageTedDump)
            page = TedDumpPage();
        if (page == PageRegisters)
            page = RegistersPage();
    }
    DebuggerRequest = 0;
    // Keys pressed in the debugger reached the window as messages too; of
    // those only the last is handled.
    LeaveMenu(volumes);
}
