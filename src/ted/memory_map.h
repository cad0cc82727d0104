// The processor's bus: RAM, the four ROM windows with banking, the TED
// registers at 0xFF00-0xFF3F and the I/O page at 0xFD00.
#pragma once
#include <cstdint>

uint8_t ReadByte(uint16_t address);
void WriteByte(uint16_t address, uint8_t value);

// Called with every byte the processor writes to 0x0001.
void SerialPortWrite(uint8_t value);
extern uint8_t SerialHackState;
