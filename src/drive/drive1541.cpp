#include "drive/drive1541.h"

namespace {

bool AtnAsserted(const Drive1541& drive) { return drive.bus && !SerialLineHigh(*drive.bus, SerialAtn); }

// Unused and output pins float high; the line inputs read 1 while low.
uint8_t BusPins(void* context)
{
    const Drive1541& drive = *static_cast<Drive1541*>(context);
    uint8_t pins = static_cast<uint8_t>(0x1A | ((drive.deviceNumber - 8) & 3) << 5);
    if (drive.bus && !SerialLineHigh(*drive.bus, SerialData))
        pins |= 0x01;
    if (drive.bus && !SerialLineHigh(*drive.bus, SerialClk))
        pins |= 0x04;
    if (AtnAsserted(drive))
        pins |= 0x80;
    return pins;
}

void BusOutputsChanged(void* context)
{
    Drive1541& drive = *static_cast<Drive1541*>(context);
    if (!drive.bus)
        return;
    const uint8_t pb = ViaPortBOutputs(drive.via1);
    const uint8_t pulls = static_cast<uint8_t>((pb & 0x02 ? SerialData : 0) | (pb & 0x08 ? SerialClk : 0));
    SerialSetDevice(*drive.bus, drive.busSlot, pulls, (pb & 0x10) != 0);
}

uint8_t DiskPinsA(void* context) { return DiskHeadByte(static_cast<Drive1541*>(context)->head); }

uint8_t DiskPinsB(void* context)
{
    const Drive1541& drive = *static_cast<Drive1541*>(context);
    uint8_t pins = 0x7F;
    if (!DiskHeadSync(drive.head))
        pins |= 0x80;
    if ((drive.diskInserted && drive.disk.writeProtected) || drive.sensorCovered)
        pins &= static_cast<uint8_t>(~0x10);
    return pins;
}

void DiskOutputsChanged(void* context)
{
    Drive1541& drive = *static_cast<Drive1541*>(context);
    const uint8_t pb = ViaPortBOutputs(drive.via2);
    DiskHeadSetControls(drive.head, pb & 0x03, (pb & 0x04) != 0, (pb >> 5) & 0x03);
    drive.head.writeData = ViaPortAOutputs(drive.via2);
    DiskHeadSetWriting(drive.head, !ViaCb2Output(drive.via2));
}

// BYTE READY pulses low: CA1 sees a falling edge (latching port A), and the
// SO pin with it while CA2 enables it.
void ByteReady(void* context)
{
    Drive1541& drive = *static_cast<Drive1541*>(context);
    ViaSetCa1(drive.via2, false);
    ViaSetCa1(drive.via2, true);
    if (ViaCa2Output(drive.via2))
        drive.overflowPending = true;
}

}  // namespace

void Drive1541Connect(Drive1541& drive, SerialBus* bus, int slot, uint8_t deviceNumber)
{
    drive.bus = bus;
    drive.busSlot = slot;
    drive.deviceNumber = deviceNumber;
    drive.via1.wiring = ViaWiring{nullptr, BusPins, BusOutputsChanged, &drive};
    drive.via2.wiring = ViaWiring{DiskPinsA, DiskPinsB, DiskOutputsChanged, &drive};
    drive.head.byteReady = ByteReady;
    drive.head.context = &drive;
    if (bus)
        SerialAttachDevice(*bus, slot, true);
}

void Drive1541Reset(Drive1541& drive)
{
    DiskHeadReset(drive.head);
    ViaReset(drive.via1);
    ViaReset(drive.via2);
    drive.overflowPending = false;
    Drive1541BusChanged(drive);
}

void Drive1541Insert(Drive1541& drive, GcrDisk disk)
{
    drive.disk = std::move(disk);
    drive.diskInserted = true;
    drive.sensorCovered = Drive1541DiskChangeCycles;
    DiskHeadInsert(drive.head, &drive.disk);
}

void Drive1541Eject(Drive1541& drive)
{
    drive.disk = GcrDisk{};
    drive.diskInserted = false;
    drive.sensorCovered = Drive1541DiskChangeCycles;
    DiskHeadInsert(drive.head, nullptr);
}

uint8_t Drive1541Read(Drive1541& drive, uint16_t address)
{
    if (address & 0x8000)
        return drive.rom.size() == Dos1541RomBytes ? drive.rom[address & 0x3FFF] : static_cast<uint8_t>(address >> 8);
    switch (address & 0x1C00) {
    case 0x0000:
    case 0x0400: return drive.ram[address & 0x07FF];
    case 0x1800: return ViaRead(drive.via1, address & 0x0F);
    case 0x1C00: return ViaRead(drive.via2, address & 0x0F);
    default: return static_cast<uint8_t>(address >> 8);
    }
}

void Drive1541Write(Drive1541& drive, uint16_t address, uint8_t value)
{
    if (address & 0x8000)
        return;
    switch (address & 0x1C00) {
    case 0x0000:
    case 0x0400: drive.ram[address & 0x07FF] = value; break;
    case 0x1800: ViaWrite(drive.via1, address & 0x0F, value); break;
    case 0x1C00: ViaWrite(drive.via2, address & 0x0F, value); break;
    default: break;
    }
}

void Drive1541Advance(Drive1541& drive, uint32_t cycles)
{
    drive.sensorCovered = drive.sensorCovered > cycles ? drive.sensorCovered - cycles : 0;
    ViaAdvance(drive.via1, cycles);
    ViaAdvance(drive.via2, cycles);
    DiskHeadRun(drive.head, cycles * Drive1541TicksPerCycle);
}

uint32_t Drive1541CyclesToEvent(const Drive1541& drive)
{
    uint32_t soonest = ViaCyclesToInterrupt(drive.via1);
    const uint32_t via2 = ViaCyclesToInterrupt(drive.via2);
    if (via2 < soonest)
        soonest = via2;
    if (drive.sensorCovered && drive.sensorCovered < soonest)
        soonest = drive.sensorCovered;
    const uint32_t ticks = DiskHeadTicksToByte(drive.head);
    if (ticks != DiskHeadNever) {
        const uint32_t byte = (ticks + Drive1541TicksPerCycle - 1) / Drive1541TicksPerCycle;
        if (byte < soonest)
            soonest = byte;
    }
    return soonest;
}

void Drive1541BusChanged(Drive1541& drive)
{
    // ATN reaches CA1 through the same inverter as PB7: high while asserted.
    ViaSetCa1(drive.via1, AtnAsserted(drive));
}
