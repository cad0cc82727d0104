// The serial bus hangs off the processor port at 0x0001.  No drive or
// printer is emulated; the bus lines are logged and the first steps of a
// conversation (attention, its acknowledgement, bits being clocked) are
// recognised, for whoever reads the log.
#include "machine/log.h"
#include "ted/memory_map.h"

uint8_t SerialHackState = 0;

void SerialPortWrite(uint8_t value)
{
    int data = value & 1;
    int clk = (value >> 1) & 1;
    int atn = (value >> 2) & 1;
    LogLine("W: ATN=%d CLK=%d DATA=%d   /%02X\n", atn, clk, data, value);
    if (SerialHackState == 0 && atn == 1 && clk == 1) {
        LogLine("Hack: Megszolit\n\n");
        SerialHackState = 1;
    } else if (SerialHackState == 1 && clk == 1) {
        LogLine("Hack: Megszolit igazol\n\n");
        SerialHackState = 2;
    } else if (SerialHackState == 2 && clk == 0) {
        LogLine("Hack: Kuld bit\n\n");
    }
}
