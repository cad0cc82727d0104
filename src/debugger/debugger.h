// The machine-code debugger: a modal shell running four text pages drawn in
// the menu window, and the register status line over the running picture.
#pragma once
#include <cstdint>

// Page numbers; a page returns the number of the page to show next.
enum DebuggerPage : int {
    PageLeave = 0,
    PageDisassembler = 1,
    PageMemoryDump = 2,
    PageTedDump = 3,
    PageRegisters = 4,
};

// Runs the debugger until the user leaves it with Escape; clears
// DebuggerRequest.  Called by the main loop.
void RunDebugger();
// Draws the register status into row 0 of the menu window (Shift+F9);
// called by the frame presentation.
void DrawStatusLine();

int DisassemblerPage();
int MemoryDumpPage();
int TedDumpPage();
int RegistersPage();

// The memory dump's view address, kept whenever the page is left, and the
// lock that makes the page open there instead of at PC.
extern uint16_t DumpAddress;
extern uint8_t DumpLock;

// The disassembler's execution keys.
void SingleStep();
// Runs a JSR's subroutine to its return (any other instruction: one step),
// at the machine's own pace: a vertical-blank wait follows each frame of
// its time, so the display, the keys and the runner's script go on.
// Escape held ends it early at an instruction boundary; returns false then.
bool StepOver();
