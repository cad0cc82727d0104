#include "serial/serial_bus.h"

namespace {

void Settle(SerialBus& bus)
{
    uint8_t pulled = bus.computerPulls;
    for (const SerialDevicePins& device : bus.devices)
        pulled |= device.pulls;
    // Only the computer drives ATN in practice, but a device may too: the
    // acknowledge gates look at the line as everyone leaves it.
    const bool atnAsserted = (pulled & SerialAtn) != 0;
    for (const SerialDevicePins& device : bus.devices)
        if (device.hasAtnAcknowledge && device.atnAcknowledge != atnAsserted)
            pulled |= SerialData;
    bus.lines = static_cast<uint8_t>(SerialAllLines & ~pulled);
}

}  // namespace

void SerialBusReset(SerialBus& bus)
{
    bus.computerPulls = 0;
    for (SerialDevicePins& device : bus.devices) {
        device.pulls = 0;
        device.atnAcknowledge = false;
    }
    Settle(bus);
}

void SerialSetComputerPort(SerialBus& bus, uint8_t portData, uint8_t portDirection)
{
    const uint8_t pins = static_cast<uint8_t>((portData & portDirection) | ~portDirection);
    bus.computerPulls = pins & SerialAllLines;
    Settle(bus);
}

uint8_t SerialComputerInputs(const SerialBus& bus)
{
    return static_cast<uint8_t>((SerialLineHigh(bus, SerialClk) ? 0x40 : 0) |
                                (SerialLineHigh(bus, SerialData) ? 0x80 : 0));
}

void SerialSetDevice(SerialBus& bus, int slot, uint8_t pulls, bool atnAcknowledge)
{
    if (slot < 0 || slot >= SerialDeviceSlots)
        return;
    bus.devices[slot].pulls = pulls & SerialAllLines;
    bus.devices[slot].atnAcknowledge = atnAcknowledge;
    Settle(bus);
}

void SerialAttachDevice(SerialBus& bus, int slot, bool hasAtnAcknowledge)
{
    if (slot < 0 || slot >= SerialDeviceSlots)
        return;
    bus.devices[slot] = SerialDevicePins{};
    bus.devices[slot].hasAtnAcknowledge = hasAtnAcknowledge;
    Settle(bus);
}

void SerialDetachDevice(SerialBus& bus, int slot)
{
    if (slot < 0 || slot >= SerialDeviceSlots)
        return;
    bus.devices[slot] = SerialDevicePins{};
    Settle(bus);
}
