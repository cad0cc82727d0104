// The 1541's board without its processor: registers written as the DOS
// writes them move the head, turn the disk and talk on the serial bus.
#include <gtest/gtest.h>

#include "drive/drive1541.h"
#include "support/drive_test_support.h"
#include "drive/gcr_d64.h"

namespace {

struct Board {
    SerialBus bus;
    Drive1541 drive;
    explicit Board(uint8_t device = 8)
    {
        drive.rom.assign(Dos1541RomBytes, 0);
        drive.rom[0] = 0xC0;        // $C000
        drive.rom[0x3FFF] = 0xFF;   // $FFFF
        Drive1541Connect(drive, &bus, 0, device);
        Drive1541Reset(drive);
    }
    uint8_t Read(uint16_t address) { return Drive1541Read(drive, address); }
    void Write(uint16_t address, uint8_t value) { Drive1541Write(drive, address, value); }
};

TEST(Drive1541Test, TheHeadStepsOverHalfTracksWithThePhases)
{
    Board board;
    board.Write(0x1C02, 0x6F);   // DDRB as the DOS sets it
    board.Write(0x1C00, 0x00);
    ASSERT_EQ(board.drive.head.halfTrack, 36) << "switched on over track 18, it settles on 19";
    struct Case {
        const char* what;
        std::vector<uint8_t> phases;
        int halfTrack;
    } cases[] = {
        {"four steps up: two tracks inward", {1, 2, 3, 0}, 40},
        {"one step down: a half-track", {3}, 39},
        {"the opposite phase holds it", {1}, 39},
        {"down and back", {2, 3}, 39},
        {"a bump outward stops at track 1", std::vector<uint8_t>(), 0},
        {"and inward at the last half-track", std::vector<uint8_t>(), 83},
    };
    for (int i = 0; i < 100; i++)
        cases[4].phases.push_back(static_cast<uint8_t>((2 - i) & 3));
    for (int i = 0; i < 100; i++)
        cases[5].phases.push_back(static_cast<uint8_t>((1 + i) & 3));
    for (const Case& c : cases) {
        for (uint8_t phase : c.phases)
            board.Write(0x1C00, phase);
        EXPECT_EQ(board.drive.head.halfTrack, c.halfTrack) << c.what;
    }
}

TEST(Drive1541Test, BytesArriveAtTheZonesRateAfterSync)
{
    Board board;
    GcrDisk disk;
    ASSERT_TRUE(GcrDiskFromD64(TestDisk::Blank(35, false).bytes, &disk));
    disk.writeProtected = true;
    Drive1541Insert(board.drive, std::move(disk));
    board.Write(0x1C02, 0x6F);
    board.Write(0x1C0C, 0xEE);   // CA2 high: SO on; CB2 high: reading
    board.Write(0x1C0B, 0x01);   // port A latched at BYTE READY
    EXPECT_EQ(Drive1541CyclesToEvent(board.drive), Drive1541DiskChangeCycles) << "motor off: the sensor clears";
    Drive1541Advance(board.drive, Drive1541DiskChangeCycles);
    EXPECT_EQ(board.Read(0x1C00) & 0x10, 0) << "write protected";
    EXPECT_EQ(Drive1541CyclesToEvent(board.drive), ViaNever) << "motor off: nothing comes";
    for (uint8_t zone : {3, 0}) {
        board.Write(0x1C00, static_cast<uint8_t>(0x04 | zone << 5));   // motor on, phase 0
        for (uint32_t cycles = 0; board.Read(0x1C00) & 0x80; cycles++) {   // until SYNC
            ASSERT_LT(cycles, 30000u);
            Drive1541Advance(board.drive, 1);
        }
        // From event to event, as the processor will run: a byte every eight
        // bit cells of the zone the DOS chose, whatever the track's own.
        std::vector<uint32_t> gaps;
        std::vector<uint8_t> bytes;
        board.drive.overflowPending = false;
        for (uint32_t cycles = 0; bytes.size() < 3;) {
            const uint32_t step = Drive1541CyclesToEvent(board.drive);
            ASSERT_NE(step, ViaNever);
            Drive1541Advance(board.drive, step);
            cycles += step;
            if (!board.drive.overflowPending)
                continue;
            board.drive.overflowPending = false;
            gaps.push_back(cycles);
            bytes.push_back(board.Read(0x1C01));
            cycles = 0;
        }
        EXPECT_TRUE(bytes[0] == 0x52 || bytes[0] == 0x55) << "a header or data block follows the SYNC";
        EXPECT_EQ(gaps[2], zone == 3 ? 26u : 32u) << "cells of 52 or 64 ticks";
    }
    board.Write(0x1C0C, 0xCE);
    EXPECT_TRUE(board.drive.head.writing) << "CB2 low";
    Drive1541Eject(board.drive);
    EXPECT_EQ(board.Read(0x1C00) & 0x10, 0) << "the disk going out covers the sensor";
    Drive1541Advance(board.drive, Drive1541DiskChangeCycles);
    EXPECT_EQ(board.Read(0x1C00) & 0x10, 0x10) << "no disk: the sensor sees light";
}

TEST(Drive1541Test, TheBusSideAndTheMemoryMap)
{
    Board board(9);
    EXPECT_EQ(board.bus.lines, SerialAtn) << "in reset the floating outputs pull DATA and CLK";
    board.Write(0x1802, 0x1A);   // DDRB as the DOS sets it
    board.Write(0x1800, 0x00);
    board.Write(0x180C, 0x01);   // CA1 on ATN's assertion
    EXPECT_EQ(board.bus.lines, SerialAllLines);
    EXPECT_EQ(board.Read(0x1800) & 0xE5, 0x20) << "lines high, device 9 on the jumpers";

    SerialSetComputerPort(board.bus, 0x04, 0x0F);   // ATN
    Drive1541BusChanged(board.drive);
    EXPECT_EQ(board.Read(0x180D) & ViaIrqCa1, ViaIrqCa1);
    EXPECT_EQ(board.Read(0x1800) & 0x85, 0x81) << "ATN in, and DATA from the acknowledge gate";
    board.Write(0x1800, 0x10);   // ATNA
    EXPECT_TRUE(SerialLineHigh(board.bus, SerialData));
    board.Write(0x1800, 0x18);   // and CLK out
    EXPECT_EQ(SerialComputerInputs(board.bus), 0x80);

    board.Write(0x0123, 0x5A);
    EXPECT_EQ(board.Read(0x2123), 0x5A) << "RAM repeats every 8 KiB";
    EXPECT_EQ(board.Read(0x0923), 0x09) << "nothing at $0800-$17FF";
    EXPECT_EQ(board.Read(0xC000), 0xC0);
    EXPECT_EQ(board.Read(0xBFFF), 0xFF) << "the ROM also at $8000";
    EXPECT_EQ(board.Read(0x1BF2), 0x1A) << "VIA1's registers repeat";
}

}  // namespace
