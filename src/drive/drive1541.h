// The 1541 as a board around its processor: 2 KiB of RAM, the 16 KiB DOS
// ROM, VIA1 on the serial bus and VIA2 on the disk mechanism, wired as the
// drive wires them.  The processor (our core over the bus Drive1541Read and
// Drive1541Write give it, at 1 MHz) is added by the machine; this board
// gives it the IRQ line (both VIAs' outputs wired together) and the SO pin.
//
// VIA1 port B: PB0 DATA in, PB1 DATA out, PB2 CLK in, PB3 CLK out, PB4 ATN
// acknowledge, PB5-6 the device number jumpers (00 = 8 ... 11 = 11), PB7 ATN
// in; ATN in also on CA1.  Inputs and outputs pass inverters: an input bit
// reads 1 while its line is low, an output bit written 1 pulls its line.
// VIA2 port B: PB0-1 stepper phase, PB2 motor, PB3 LED, PB4 write protect
// (0 = protected), PB5-6 speed zone, PB7 SYNC (0 during SYNC); port A the
// byte to or from the head; CA1 BYTE READY (and the SO pin while CA2 is
// high); CB2 the head's mode (high read, low write).
//
// Memory map (A13 and A14 are not decoded, so the low 8 KiB repeat up to
// $7FFF, and the ROM at $8000 as at $C000): RAM $0000-$07FF, VIA1 $1800
// (its 16 registers repeating to $1BFF), VIA2 $1C00 (to $1FFF).  Nothing
// answers at $0800-$17FF: a read there gives the address's high byte, what
// an absolute read's last fetch left on the bus.
#pragma once
#include <cstdint>
#include <vector>

#include "drive/disk_head.h"
#include "drive/gcr_disk.h"
#include "drive/via6522.h"
#include "serial/serial_bus.h"

constexpr size_t Dos1541RomBytes = 16384;
constexpr uint32_t Drive1541TicksPerCycle = 16;   // 16 MHz crystal, 1 MHz processor

struct Drive1541 {
    uint8_t ram[0x800] = {};
    std::vector<uint8_t> rom;    // 16 KiB; empty until given
    Via6522 via1, via2;
    DiskHead head;
    GcrDisk disk;
    bool diskInserted = false;
    SerialBus* bus = nullptr;
    int busSlot = 0;
    uint8_t deviceNumber = 8;
    // The SO pin fell (a byte came while CA2 was high): the processor sets
    // its V flag and clears this.
    bool overflowPending = false;
    // A disk going in or out covers the write-protect sensor for a moment:
    // the DOS notices the change by it.  Counts down in processor cycles.
    uint32_t sensorCovered = 0;
};

// How long a disk covers the sensor while it slides in or out.
constexpr uint32_t Drive1541DiskChangeCycles = 300000;

// Puts the board on the bus as device 8-11 in a slot, and wires its chips.
// The board must not move in memory afterwards (the hooks point at it).
void Drive1541Connect(Drive1541& drive, SerialBus* bus, int slot, uint8_t deviceNumber);
// The RESET line: both VIAs and the head's electronics.  RAM, the head's
// place and the disk stay.
void Drive1541Reset(Drive1541& drive);
void Drive1541Insert(Drive1541& drive, GcrDisk disk);
void Drive1541Eject(Drive1541& drive);

uint8_t Drive1541Read(Drive1541& drive, uint16_t address);
void Drive1541Write(Drive1541& drive, uint16_t address, uint8_t value);

// Runs the VIAs and the disk on by processor cycles.
void Drive1541Advance(Drive1541& drive, uint32_t cycles);
// Cycles the processor may run before the IRQ line can newly assert, a
// byte can arrive or the write-protect sensor clears (ViaNever when none
// will).
uint32_t Drive1541CyclesToEvent(const Drive1541& drive);
inline bool Drive1541Irq(const Drive1541& drive) { return ViaIrq(drive.via1) || ViaIrq(drive.via2); }
// After another party moved a bus line: ATN reaches VIA1's CA1.
void Drive1541BusChanged(Drive1541& drive);
inline bool Drive1541LedOn(const Drive1541& drive) { return (ViaPortBOutputs(drive.via2) & 0x08) != 0; }
