#include "serial/serial_port.h"

#include "drive/hardware_drive.h"

SerialBus MachineSerialBus;

void SerialPortOutputs(uint8_t portData, uint8_t portDirection)
{
    // The drive runs up to the write first: its accesses before this cycle
    // see the lines as they were.
    HardwareDriveCatchUp();
    const uint8_t before = MachineSerialBus.lines;
    SerialSetComputerPort(MachineSerialBus, portData, portDirection);
    if (MachineSerialBus.lines != before)
        HardwareDriveBusChanged();
}

uint8_t SerialPortInputs()
{
    if (!HardwareDriveOnBus())
        return 0xC0;
    HardwareDriveCatchUp();
    return SerialComputerInputs(MachineSerialBus);
}
