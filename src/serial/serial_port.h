// The computer's end of the serial bus: the processor port's bits 0-2 drive
// DATA, CLK and ATN (a 1 pulls the line low through an inverting driver),
// bits 6 and 7 read CLK and DATA (a 1 while the line is high).
#pragma once
#include <cstdint>

#include "serial/serial_bus.h"

// The machine's serial bus: its own outputs and every device's.
extern SerialBus MachineSerialBus;

// After a write to 0x0000 or 0x0001: the port's data and direction.
void SerialPortOutputs(uint8_t portData, uint8_t portDirection);
// Bits 6 and 7 of a read of 0x0001, the others 0.  With no device on the
// bus both read high, as nothing pulls them but the computer itself.
uint8_t SerialPortInputs();
