// The disk mechanism and its read/write electronics, shared by the 1541 and
// the 1551: the head on 84 half-track positions moved by a four-phase
// stepper, the spindle motor, the bit clock of the chosen speed zone, the
// GCR shift registers, SYNC detection and the byte-ready signal.  The board
// feeds it its control outputs and listens for bytes through the hook.
//
// Time runs in ticks of the drive's 16 MHz crystal (a 1541 cycle is 16
// ticks, a 1551 cycle 8); a bit cell lasts 4 * (16 - zone) ticks.  The head
// takes the track's recorded bits at the rate of the zone the board selects,
// so a track of the standard length for its zone turns at 300 rpm.
//
// Reading: every bit goes into a 10-bit shift register.  Ten ones in a row
// (while reading) are SYNC; during SYNC the bit counter is held at zero, so
// the first byte after it starts with the first 0 bit.  Every eighth bit
// after that completes a byte: the low eight bits of the register are the
// byte the board's port sees, and the hook is called (BYTE READY: the VIA's
// CA1 and the processor's SO pin on a 1541).
// Writing: at each byte boundary the byte on the board's port is loaded and
// shifted out, one bit a cell, over the track's bits; the byte counter and
// the hook run as in reading.  A write-protected disk keeps its bits.
#pragma once
#include <cstdint>

#include "drive/gcr_disk.h"

struct DiskHead {
    GcrDisk* disk = nullptr;      // nullptr: no disk in the drive
    int halfTrack = HalfTrackOfTrack(18);
    bool motorOn = false;
    uint8_t zone = 0;
    bool writing = false;
    uint8_t writeData = 0xFF;     // the byte the board offers for writing
    uint32_t bitPosition = 0;     // the track's bit under the head
    uint32_t ticksIntoBit = 0;
    uint16_t readShift = 0;       // the last ten bits, newest in bit 0
    uint8_t bitsInByte = 0;
    uint8_t writeShift = 0xFF;
    void (*byteReady)(void* context) = nullptr;
    void* context = nullptr;
};

// The electronics to their power-on state; the head stays where it is.
void DiskHeadReset(DiskHead& head);
// A disk goes in (or, with nullptr, comes out); the head keeps its place.
void DiskHeadInsert(DiskHead& head, GcrDisk* disk);

// The board's control outputs.  The stepper's rotor rests where the
// energised phase holds it; energising the phase one above the one the
// head rests at moves it a half-track inward (toward higher tracks), one
// below outward, the opposite phase leaves it.  The head stops at track 1
// and at the last half-track.
void DiskHeadSetControls(DiskHead& head, uint8_t stepperPhase, bool motorOn, uint8_t zone);
// The phase that holds the head at a half-track: phase 0 at track 1, where
// the DOS's bump leaves the head (it steps outward from phase 0 a multiple
// of four times against the stop).  A 1541 switched on over track 18 (its
// port's pins floating to phase 3, then the DOS choosing phase 0) settles
// on track 19.
constexpr uint8_t DiskHeadRestingPhase(int halfTrack) { return static_cast<uint8_t>(halfTrack & 3); }
void DiskHeadSetWriting(DiskHead& head, bool writing);

// Runs the disk on; the hook is called at each byte completed.
void DiskHeadRun(DiskHead& head, uint32_t ticks);
// No byte completes sooner than this (one may complete later, after a
// SYNC); DiskHeadNever with the motor off.
constexpr uint32_t DiskHeadNever = 0xFFFFFFFF;
uint32_t DiskHeadTicksToByte(const DiskHead& head);

// SYNC as the hardware gives it: true while ten or more ones are under the
// head during reading.
inline bool DiskHeadSync(const DiskHead& head) { return !head.writing && (head.readShift & 0x3FF) == 0x3FF; }
// The shift register's byte as the board's port reads it.
inline uint8_t DiskHeadByte(const DiskHead& head) { return static_cast<uint8_t>(head.readShift); }
inline int DiskHeadTrack(const DiskHead& head) { return head.halfTrack / 2 + 1; }
