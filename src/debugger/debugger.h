// The machine-code debugger.
#pragma once

void RunDebugger();
void DrawStatusLine();
