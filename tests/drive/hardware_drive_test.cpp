// The drive with its own processor against the machine's clock: tiny drive
// ROMs of our own, the machine's time set by hand, and the serial lines
// read and written through the processor port's side of the bus.
#include <gtest/gtest.h>

#include <initializer_list>

#include "support/drive_test_support.h"
#include "drive/hardware_drive.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "serial/serial_port.h"
#include "support/test_support.h"
#include "ted/irq_line.h"

namespace {

// PAL: one quarter of the single clock is 200,000 / 709,379 drive cycles.
constexpr uint64_t Numerator = 200000, Denominator = 709379;

struct HardwareDriveTest : ::testing::Test {
    ScratchDirectory dir;
    uint64_t start = 0;   // the machine's time, in quarters, when the drive went on

    void SetUp() override
    {
        dir.WriteTinyRoms(0xF000);
        ASSERT_TRUE(BootMachine());
        Config.Drive8 = 1;
    }
    void TearDown() override
    {
        SetHardwareDriveRom(nullptr, 0);
        Config.Drive8 = DefaultDrive8;
        ResetMachineToPowerOn();
    }
    // Switches the drive on with this code at $C000 (the reset vector points
    // there), and takes the machine's time from then on.
    void PowerOn(std::initializer_list<uint8_t> code)
    {
        std::vector<uint8_t> rom(16384, 0xEA);
        std::copy(code.begin(), code.end(), rom.begin());
        rom[0x3FFC] = 0x00;
        rom[0x3FFD] = 0xC0;
        rom[0x3FFE] = 0x00;   // IRQ handler at $C100
        rom[0x3FFF] = 0xC1;
        ASSERT_TRUE(SetHardwareDriveRom(rom.data(), rom.size()));
        HardwareDriveSwitchOff();
        TestDisk::Blank().Save("disk.d64");
        std::string message;
        ASSERT_TRUE(HardwareDriveInsert("disk.d64", &message)) << message;
        HardwareDriveReset();   // the drive booted ahead: it starts again now
        start = TedUnitsNow();
    }
    void PutHandler(std::initializer_list<uint8_t> code)
    {
        std::vector<uint8_t>& rom = HardwareDriveBoard().rom;
        std::copy(code.begin(), code.end(), rom.begin() + 0x100);
    }
    // The machine's time, `units` quarters after the drive went on.
    void At(uint64_t units)
    {
        const uint64_t now = start + units;
        Ted.ClockAtLineStart = now / 4;
        Ted.LinePosition = static_cast<uint16_t>(now % 4);
    }
    // The first quarter at which the drive's time has passed `cycles`.
    static uint64_t After(uint64_t cycles) { return cycles * Denominator / Numerator + 1; }
    static uint64_t AtOrBefore(uint64_t cycles) { return cycles * Denominator / Numerator; }
};

// The drive pulls DATA with a store landing on cycle 18 and lets it go on
// cycle 24 (7 cycles of reset first): the machine sees the line low exactly
// while its own time is past 18 and not past 24.
TEST_F(HardwareDriveTest, TheMachineSeesTheDrivesWritesFromTheirCycleOn)
{
    PowerOn({0xA9, 0x1A, 0x8D, 0x02, 0x18,      // LDA #$1A, STA $1802: the bus outputs
             0xA9, 0x02, 0x8D, 0x00, 0x18,      // LDA #$02, STA $1800 (cycle 18): DATA pulled
             0xA9, 0x00, 0x8D, 0x00, 0x18,      // LDA #$00, STA $1800 (cycle 24): let go
             0x4C, 0x0F, 0xC0});                // JMP *
    struct Case {
        uint64_t units;
        bool dataLow;
    } cases[] = {
        {AtOrBefore(18), false}, {After(18), true}, {AtOrBefore(24), true}, {After(24), false}, {After(200), false},
    };
    for (const Case& c : cases) {
        At(c.units);
        EXPECT_EQ((SerialPortInputs() & 0x80) == 0, c.dataLow) << c.units << " quarters";
    }
}

// The drive polls CLK in an 11-cycle loop, its reads on cycles 20, 31, 42
// ...; X counts the reads.  A machine write at time T is seen by the first
// read on a cycle at or after T.
TEST_F(HardwareDriveTest, TheDriveSeesTheMachinesWritesFromTheirCycleOn)
{
    for (uint64_t read : {42, 53, 64}) {
        for (int late = 0; late < 2; late++) {
            PowerOn({0xA9, 0x1A, 0x8D, 0x02, 0x18,      // the bus outputs, none pulled
                     0xA2, 0x00,                       // LDX #0
                     0xE8,                             // loop: INX
                     0xAD, 0x00, 0x18,                 // LDA $1800 (the read on its fourth cycle)
                     0x29, 0x04,                       // AND #$04: CLK in
                     0xF0, 0xF8,                       // BEQ loop
                     0x8E, 0x00, 0x03,                 // STX $0300
                     0x4C, 0x12, 0xC0});               // JMP *
            const uint64_t k = (read - 20) / 11 + 1;
            At(late ? After(read) : AtOrBefore(read));
            SerialPortOutputs(0x02, 0x0F);             // CLK pulled
            At(After(400));
            SerialPortInputs();
            EXPECT_EQ(HardwareDriveBoard().ram[0x300], late ? k + 1 : k) << "written around the read on cycle " << read;
            SerialPortOutputs(0x00, 0x0F);
        }
    }
}

// Timer 1 of VIA2 interrupts every 1,000 cycles; the handler counts.  The
// main loop does nothing, so its rounds are counted rather than run, and
// not one interrupt may be lost or moved.
TEST_F(HardwareDriveTest, IdleRoundsAreSkippedWithoutLosingAnInterrupt)
{
    PowerOn({0xA9, 0x6F, 0x8D, 0x02, 0x1C,    // VIA2's outputs: the motor off
             0xA9, 0xE6, 0x8D, 0x04, 0x1C,    // T1 latch low: 998 + 2 = 1,000 cycles
             0xA9, 0x03, 0x8D, 0x05, 0x1C,    // counter high: start
             0xA9, 0x40, 0x8D, 0x0B, 0x1C,    // free run
             0xA9, 0xC0, 0x8D, 0x0E, 0x1C,    // timer 1's interrupt on
             0x58,                            // CLI
             0x4C, 0x1A, 0xC0});              // JMP *
    PutHandler({0xEE, 0x00, 0x03,             // INC $0300
                0xD0, 0x03, 0xEE, 0x01, 0x03, // and the high byte
                0xAD, 0x04, 0x1C,             // LDA $1C04: the flag off
                0x40});                       // RTI
    Drive1541& board = HardwareDriveBoard();
    board.ram[0x300] = board.ram[0x301] = 0;
    const uint64_t cycles = HardwareDriveCycles(), idle = HardwareDriveIdleCycles();
    // The timer starts with the write on cycle 24 and first runs out 1,000
    // cycles later; one more every 1,000 from there.
    for (uint64_t thousands : {1, 5, 60, 700}) {
        At(AtOrBefore(thousands * 1000 + 500));
        SerialPortInputs();
        EXPECT_EQ(board.ram[0x300] | board.ram[0x301] << 8, thousands) << thousands * 1000 + 500 << " cycles";
    }
    EXPECT_LT(HardwareDriveCycles() - cycles, 700000u + 600);
    EXPECT_GT(HardwareDriveIdleCycles() - idle, 600000u) << "most rounds counted, not run";
}

}  // namespace
