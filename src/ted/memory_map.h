// The processor's bus: RAM, the four ROM windows with banking, the TED
// registers at 0xFF00-0xFF3F and the I/O page at 0xFD00.
#pragma once
#include <cstdint>

#include "cartridge/cartridge.h"
#include "machine/machine_state.h"
#include "ted/video_watch.h"

// The decoding of every address that is not plain RAM; ReadByte and
// WriteByte below handle plain RAM themselves.
uint8_t ReadDecoded(uint16_t address);
void WriteDecoded(uint16_t address, uint8_t value);
// A processor write to plain RAM in a watched page (video_watch.h): the
// pending picture drawn first when the TED reads the page, and on the C16
// with 16 KiB the byte stored in them and their image (machine_model.h).
void WriteWatchedRam(uint16_t address, uint8_t value);

// The images seen in the two ROM windows while ROM is enabled: bank 1 the
// function ROM, banks 2 and 3 the cartridge slots (cartridge.h); where
// nothing is plugged in, BASIC and the KERNAL answer.
inline const uint8_t* LowRomImage() { return LowRomBanks[Ted.RomBank & 0x03]; }
inline const uint8_t* HighRomImage() { return HighRomBanks[(Ted.RomBank >> 2) & 0x03]; }

// Every processor access comes here, several times per instruction, so plain
// RAM is one comparison away: 0x0002-0x7FFF for reads (ROM may lie above),
// 0x0002-0xFCFF for writes (writes under ROM always reach RAM), and the ROM
// windows up to the KERNAL's fixed page at 0xFC00 follow.  Address 0x0001 is the processor port
// and never plain RAM.
//
// The C16's 16 KiB (machine_model.h) cost the 64 KiB models nothing here:
// Ram64 keeps an image of them at 0x4000-0x7FFF for the reads, and every
// page is watched for the writes, which go to WriteWatchedRam.
[[gnu::always_inline]] inline uint8_t ReadByte(uint16_t address)
{
    if (static_cast<uint16_t>(address - 2) < 0x7FFE) [[likely]]
        return Ram64[address];
    if (static_cast<uint16_t>(address - 0x8000) < 0x7C00 && Ted.RomEnabled) [[unlikely]]
        return address < 0xC000 ? LowRomImage()[address - 0x8000] : HighRomImage()[address - 0xC000];
    return ReadDecoded(address);
}

[[gnu::always_inline]] inline void WriteByte(uint16_t address, uint8_t value)
{
    if (static_cast<uint16_t>(address - 2) < 0xFCFE) {
        if (Ted.Watch.page[address >> 8]) [[unlikely]]
            WriteWatchedRam(address, value);
        Ram64[address] = value;   // on the C16 the same byte again, or one nothing reads
        return;
    }
    WriteDecoded(address, value);
}

// The NMOS processor's accesses (Accuracy=1) name the cycle of the
// instruction they land on, 0 being the opcode fetch.  Plain RAM and ROM
// need no time; every other address learns the cycle through
// BusAccessCycle, so that a TED register is read or written with the TED
// brought up to that cycle (CatchUpToAccess).
extern uint8_t BusAccessCycle;

uint8_t ReadDecodedAt(uint16_t address, unsigned cycle);
void WriteDecodedAt(uint16_t address, uint8_t value, unsigned cycle);

[[gnu::always_inline]] inline uint8_t ReadAt(uint16_t address, unsigned cycle)
{
    if (static_cast<uint16_t>(address - 2) < 0x7FFE) [[likely]]
        return Ram64[address];
    if (static_cast<uint16_t>(address - 0x8000) < 0x7C00 && Ted.RomEnabled) [[unlikely]]
        return address < 0xC000 ? LowRomImage()[address - 0x8000] : HighRomImage()[address - 0xC000];
    return ReadDecodedAt(address, cycle);
}

[[gnu::always_inline]] inline void WriteAt(uint16_t address, uint8_t value, unsigned cycle)
{
    if (static_cast<uint16_t>(address - 2) < 0xFCFE) {
        if (Ted.Watch.page[address >> 8]) [[unlikely]]
            WriteWatchedRam(address, value);
        Ram64[address] = value;
        return;
    }
    WriteDecodedAt(address, value, cycle);
}

// A read-modify-write's two writes: the byte it read, then the result, on
// consecutive cycles.  Plain RAM sees only the result.
[[gnu::always_inline]] inline void WriteModifiedAt(uint16_t address, uint8_t unmodified, uint8_t result, unsigned cycle)
{
    if (static_cast<uint16_t>(address - 2) < 0xFCFE) {
        if (Ted.Watch.page[address >> 8]) [[unlikely]]
            WriteWatchedRam(address, result);
        Ram64[address] = result;
        return;
    }
    WriteDecodedAt(address, unmodified, cycle);
    WriteDecodedAt(address, result, cycle + 1);
}

// Called with every byte the processor writes to 0x0001.
void SerialPortWrite(uint8_t value);
extern uint8_t SerialHackState;
