// The processor's own I/O port at 0x0000 (direction) and 0x0001 (data) as
// the cassette sees it, and the sense line at 0xFD10.  Port bits: 1 the
// write line (inverted on its way to the tape; also the serial clock out),
// 3 the motor (0 = on), 4 the read line.  The memory map calls these.
#pragma once
#include <cstdint>

// A read of 0x0001.  The measured model reads back what the port drives on
// its output bits and the lines on its inputs (bit 4 the tape, bits 6 and 7
// the serial bus's CLK and DATA; bit 5 does not exist and reads 0); the
// older model (Accuracy=0) reads all ones, unless a drive is on the serial
// bus: then its outputs and the serial lines as the measured model does.
uint8_t ProcessorPortRead();
// After the processor wrote 0x0000 or 0x0001 (the memory map has done its
// own part).
void ProcessorPortWritten(uint16_t address, uint8_t value);
// A read of 0xFD10: bit 2 low while a datassette key is down.
uint8_t CassetteSenseRead();

void ResetCassettePortState();
