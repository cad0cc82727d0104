#include "cpu/cpu.h"

// The interpreter arrives with the processor work; until then an instruction
// takes two cycles and does nothing.
void ExecuteInstruction()
{
    LastCycle = 2;
}
