// The wired AND of the computer's port and the devices' outputs, with the
// 1541's ATN-acknowledge gate on DATA.
#include <gtest/gtest.h>

#include "serial/serial_bus.h"

namespace {

TEST(SerialBusTest, LinesAreTheWiredAndOfEveryoneWithTheAcknowledgeGate)
{
    struct Case {
        const char* what;
        uint8_t port, direction;    // the computer's $01 and $00
        uint8_t drivePulls;         // slot 0, a 1541
        bool atna;
        uint8_t otherPulls;         // slot 1, no gate
        uint8_t lines;              // expected: set bits high
        uint8_t portInputs;         // expected bits 6-7 of $01
    } cases[] = {
        {"nobody pulls", 0x00, 0x0F, 0, false, 0, 0x07, 0xC0},
        {"the computer pulls CLK", 0x02, 0x0F, 0, false, 0, 0x05, 0x80},
        {"a device pulls DATA", 0x00, 0x0F, SerialData, false, 0, 0x06, 0x40},
        {"two devices, either one holds CLK", 0x00, 0x0F, SerialClk, false, SerialClk, 0x05, 0x80},
        {"an input bit floats high and pulls", 0x00, 0x0E, 0, false, 0, 0x06, 0x40},
        {"ATN asserted, ATNA clear: the gate pulls DATA", 0x04, 0x0F, 0, false, 0, 0x02, 0x40},
        {"ATN asserted, ATNA set: DATA free", 0x04, 0x0F, 0, true, 0, 0x03, 0xC0},
        {"ATN released, ATNA set: the gate pulls DATA", 0x00, 0x0F, 0, true, 0, 0x06, 0x40},
        {"ATNA set, and the drive's own DATA out", 0x04, 0x0F, SerialData, true, 0, 0x02, 0x40},
    };
    for (const Case& c : cases) {
        SerialBus bus;
        SerialAttachDevice(bus, 0, true);
        SerialAttachDevice(bus, 1, false);
        SerialSetComputerPort(bus, c.port, c.direction);
        SerialSetDevice(bus, 0, c.drivePulls, c.atna);
        SerialSetDevice(bus, 1, c.otherPulls, c.atna);   // ignored: no gate
        EXPECT_EQ(bus.lines, c.lines) << c.what;
        EXPECT_EQ(SerialComputerInputs(bus), c.portInputs) << c.what;
    }
    SerialBus bus;
    SerialAttachDevice(bus, 0, true);
    SerialSetDevice(bus, 0, SerialClk, true);
    SerialDetachDevice(bus, 0);
    EXPECT_EQ(bus.lines, SerialAllLines) << "a device taken off lets go";
}

}  // namespace
