// The serial bus: ATN, CLK and DATA, three open-collector lines.  Every party
// (the computer on its processor port, each device on its own outputs) can
// only pull a line low; a line is high while nobody pulls it, and everyone
// reads the same wired AND.  Line bits are numbered as the processor port's
// output bits 0-2.
//
// A 1541 adds one more driver to DATA: its ATN-acknowledge gate, an XOR of
// the bus's ATN (asserted = low) and the drive's ATNA output (VIA1 PB4),
// pulls DATA low whenever the two disagree.  So the drive answers ATN within
// a gate delay, before its processor has noticed, and keeps DATA low while
// ATNA is set and ATN released.
#pragma once
#include <cstdint>

constexpr uint8_t SerialData = 0x01;
constexpr uint8_t SerialClk = 0x02;
constexpr uint8_t SerialAtn = 0x04;
constexpr uint8_t SerialAllLines = SerialData | SerialClk | SerialAtn;

// Devices on the bus besides the computer (drives 8-11, printers ...).
constexpr int SerialDeviceSlots = 4;

struct SerialDevicePins {
    uint8_t pulls = 0;                // the lines this device pulls low
    bool hasAtnAcknowledge = false;   // a 1541-style ATN-acknowledge gate
    bool atnAcknowledge = false;      // its ATNA output
};

struct SerialBus {
    uint8_t computerPulls = 0;
    SerialDevicePins devices[SerialDeviceSlots];
    uint8_t lines = SerialAllLines;   // the wired AND: a set bit is a line left high
};

// Everyone lets go.
void SerialBusReset(SerialBus& bus);

// The computer's side from its processor port: data ($01) and direction
// ($00).  An output bit written 1 pulls its line low (through an inverting
// driver); an input bit's pin floats high, which the driver inverts to a
// pull as well, as the cassette port treats its pins.
void SerialSetComputerPort(SerialBus& bus, uint8_t portData, uint8_t portDirection);
// The port's input bits as the lines give them: bit 6 CLK, bit 7 DATA, set
// while the line is high.
uint8_t SerialComputerInputs(const SerialBus& bus);

// A device's outputs: the lines it pulls low, and its ATNA output (ignored
// unless the device has the acknowledge gate).
void SerialSetDevice(SerialBus& bus, int slot, uint8_t pulls, bool atnAcknowledge);
void SerialAttachDevice(SerialBus& bus, int slot, bool hasAtnAcknowledge);
void SerialDetachDevice(SerialBus& bus, int slot);

inline bool SerialLineHigh(const SerialBus& bus, uint8_t line) { return (bus.lines & line) != 0; }
