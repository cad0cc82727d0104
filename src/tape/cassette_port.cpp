#include "tape/cassette_port.h"

#include "drive/hardware_drive.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "serial/serial_port.h"
#include "tape/datassette.h"

namespace {

constexpr uint8_t WriteLineBit = 0x02;
constexpr uint8_t MotorBit = 0x08;
constexpr uint8_t ReadLineBit = 0x10;
constexpr uint8_t SenseBit = 0x04;

// The data register; RAM byte 1 under it is never written.
uint8_t PortData = 0;

inline uint8_t Direction() { return Ram64[0]; }

// An output bit drives its line; an input bit's line is pulled up.
inline uint8_t DrivenLines() { return static_cast<uint8_t>((PortData & Direction()) | ~Direction()); }

}  // namespace

uint8_t ProcessorPortRead()
{
    const uint8_t serial = SerialPortInputs();
    // The older model reads all ones; with a drive on the serial bus it
    // reads back its outputs and the lines as the measured model does, or
    // the KERNAL's read-modify-writes of the port would pull every line.
    if (Config.Accuracy == 0)
        return HardwareDriveOnBus() ? static_cast<uint8_t>((PortData & Direction()) | ((0x3F | serial) & ~Direction()))
                                    : 0xFF;
    uint8_t inputs = static_cast<uint8_t>(serial | 0x0F);
    // With no datassette the read line floats high.
    if (!DatassettePresent() || TapeReadLineHigh())
        inputs |= ReadLineBit;
    return static_cast<uint8_t>((PortData & Direction()) | (inputs & ~Direction()));
}

void ProcessorPortWritten(uint16_t address, uint8_t value)
{
    if (address == 0x0001)
        PortData = value;
    SerialPortOutputs(PortData, Direction());
    if (Config.Accuracy == 0)
        return;
    const uint8_t lines = DrivenLines();
    // The write line reaches the tape inverted.
    TapeLinesChanged((lines & MotorBit) == 0, (lines & WriteLineBit) == 0);
}

uint8_t CassetteSenseRead() { return TapeSenseKeyDown() ? 0x00 : SenseBit; }

void ResetCassettePortState() { PortData = 0; }
