#include "ted/memory_map.h"

#include <cassert>

#include "drive/bus_port.h"
#include "input/keyboard.h"
#include "machine/event_run.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "sound/sound.h"
#include "tape/cassette_port.h"
#include "ted/line_setup.h"
#include "ted/registers.h"

namespace {

inline uint8_t ReadHighWindow(uint16_t address)
{
    return Ted.RomEnabled ? HighRomImage()[address - 0xC000] : Ram64[RamAddress(address)];
}

// The I/O area 0xFD00-0xFF3F keeps its own bytes in Ram64 on every model
// (on the C16 with 16 KiB they are not the RAM that repeats there): what
// the older model shows at 0xFE00-0xFEFF and every model at 0xFF20-0xFF3F
// with the ROM switched off.
inline uint8_t ReadHighWindowIo(uint16_t address)
{
    return Ted.RomEnabled ? HighRomImage()[address - 0xC000] : Ram64[address];
}

// What an address no chip answers reads: 0 in the older model; in the
// measured one the last byte on the data bus (line_setup.h).
inline uint8_t Unconnected(uint16_t address) { return Ted.ModelInUse == 1 ? OpenBusRead(address) : 0x00; }

uint8_t ReadIoPage(uint16_t address)
{
    if (address == 0xFD10)
        return CassetteSenseRead();
    if (address >= 0xFD30 && address <= 0xFD3F)
        return 0xFF;
    // The bank latch at 0xFDD0-0xFDDF is written only; reading it, like
    // every hole in the page, finds nothing driving the bus.
    return Unconnected(address);
}

}  // namespace

uint8_t BusAccessCycle = 0;

uint8_t ReadDecodedAt(uint16_t address, unsigned cycle)
{
    assert(TedInStep());
    BusAccessCycle = static_cast<uint8_t>(cycle);
    return ReadDecoded(address);
}

void WriteDecodedAt(uint16_t address, uint8_t value, unsigned cycle)
{
    assert(TedInStep());
    BusAccessCycle = static_cast<uint8_t>(cycle);
    WriteDecoded(address, value);
}

void WriteWatchedRam(uint16_t address, uint8_t value)
{
    BeforeVideoWrite(RamAddress(address));
    StoreRam(address, value);
}

uint8_t ReadDecoded(uint16_t address)
{
    if (address < 0x8000)
        return address == 0x0001 ? ProcessorPortRead() : Ram64[RamAddress(address)];
    if (address < 0xC000)
        return Ted.RomEnabled ? LowRomImage()[address - 0x8000] : Ram64[RamAddress(address)];
    if (address < 0xFC00)
        return ReadHighWindow(address);
    if (address < 0xFD00) {
        // The KERNAL's bank-switching code lives at 0xFC00-0xFCFF and stays
        // visible whatever the bank, or switching away from it would pull
        // the floor from under the processor.
        return Ted.RomEnabled ? KernalRom[address - 0xC000] : Ram64[RamAddress(address)];
    }
    switch (address >> 8) {
    case 0xFD:
        return ReadIoPage(address);
    case 0xFE:
        // Drive 8's port, when a drive is attached; else the ROM shows.
        if (IsBusPortAddress(address) && BusPortAnswers())
            return BusPortRead(address);
        // The older model shows the ROM here; on the machine nothing
        // answers.
        return Ted.ModelInUse == 1 ? OpenBusRead(address) : ReadHighWindowIo(address);
    default:
        if (address < 0xFF20)
            return ReadTedRegister(static_cast<uint8_t>(address & 0x1F));
        return address < 0xFF40 ? ReadHighWindowIo(address) : ReadHighWindow(address);
    }
}

void WriteDecoded(uint16_t address, uint8_t value)
{
    // The registers change the picture in many ways: the renderer catches up
    // before any of them changes.
    if (address >= 0xFF00 && address < 0xFF40)
        FlushRender();
    else
        BeforeVideoWrite(RamAddress(address));
    // Writes below ROM always reach RAM.
    if (address < 0xFD00) {
        if (address == 0x0001)
            SerialPortWrite(value);  // the port drives the serial bus; RAM byte 1 stays
        else
            StoreRam(address, value);
        if (address <= 0x0001)
            ProcessorPortWritten(address, value);   // the cassette lines
        return;
    }
    if (address >= 0xFF00) {
        if (address < 0xFF40)
            WriteTedRegister(static_cast<uint8_t>(address & 0x3F), value);
        else
            StoreRam(address, value);
        return;
    }
    if (address >= 0xFD30 && address <= 0xFD3F) {
        Ram64[0xFD30] = value;  // sixteen addresses, one keyboard column latch
        return;
    }
    Ram64[address] = value;
    if (IsBusPortAddress(address))
        BusPortWrite(address, value);
    if (address >= 0xFDD0 && address <= 0xFDDF)
        Ted.RomBank = BankLatchValue(static_cast<uint8_t>(address & 0x0F));
}
