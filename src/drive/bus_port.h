// The parallel port that drive 8 sits on: the interface of a 1551-style
// drive, a tri-port interface adapter seen by the computer at 0xFEF0-0xFEF5.
//
//   0xFEF0  port A   data, both ways (the drive drives it while 0xFEF3 is 0)
//   0xFEF1  port B   bits 0-1: the drive's status (0 ok, 2 no data, 3 EOI)
//   0xFEF2  port C   bit 6: the computer's strobe; bit 7: the drive's reply
//   0xFEF3-0xFEF5    the direction registers of ports A, B and C
//
// The KERNAL probes the port before every TALK and LISTEN to device 8: it
// writes 0x55 to port A and reads it back, and wants bit 1 of port B clear.
// Without a drive nothing answers there (the ROM shows through) and the
// KERNAL falls back to the serial bus, where nothing answers either.
//
// Each byte is one handshake: the computer writes a command code to port A
// (0x81 TALK/LISTEN/UNTALK/UNLISTEN byte, 0x82 secondary address, 0x83 data
// byte, 0x84 "send me a byte"), waits for bit 7 of port C to drop, puts the
// byte on port A (or turns port A round to read), pulls the strobe low, waits
// for bit 7 to rise and reads the status (and the byte) before raising the
// strobe.  The drive here answers at once: its reply line is the inverse of
// the strobe, and it acts on the strobe's falling edge.
#pragma once
#include <cstdint>

constexpr uint16_t BusPortBase = 0xFEF0;
constexpr uint16_t BusPortRegisters = 6;

inline bool IsBusPortAddress(uint16_t address)
{
    return static_cast<uint16_t>(address - BusPortBase) < BusPortRegisters;
}

// True while a drive is attached (or one was detached in the middle of a
// conversation, until it ends): only then does the port answer reads.
bool BusPortAnswers();
// A register read; only called while BusPortAnswers().
uint8_t BusPortRead(uint16_t address);
// A register write.  The port keeps what the KERNAL writes even with no
// drive attached, so that a drive attached later finds the port set up.
void BusPortWrite(uint16_t address, uint8_t value);

// A reset line or a snapshot load: the conversation under way is dropped and
// the drive resets (channels closed, "73" on the error channel); a hardware
// drive on the serial bus restarts its processor.  The
// registers keep their values, as the KERNAL sets them up again itself.
void DriveBusReset();
// Power-on state of the port, registers included.  For the machine reset.
void ResetDriveState();
