// The parallel port at 0xFEF0 at the level of its registers, driven by the
// sequences the KERNAL writes and reads (see bus_port.h).
#include <gtest/gtest.h>

#include <filesystem>

#include "drive/drive.h"
#include "machine/machine_state.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

void Write(std::initializer_list<std::pair<uint16_t, uint8_t>> writes)
{
    for (auto [address, value] : writes)
        WriteByte(address, value);
}

struct BusPortTest : ::testing::Test {
    ScratchDirectory scratch;
    std::vector<uint8_t> ram = std::vector<uint8_t>(0x10000, 0);
    void SetUp() override
    {
        ResetMachineToPowerOn();
        Ram64 = ram.data();
        Ted.RomEnabled = 1;
        for (uint32_t i = 0; i < RomSize; i++)
            KernalRom[i] = static_cast<uint8_t>(i * 13 + 1);
        // The KERNAL's set-up: port A out, port B in, strobe out and high.
        Write({{0xFEF3, 0xFF}, {0xFEF4, 0}, {0xFEF0, 0}, {0xFEF5, 0x40}, {0xFEF2, 0x40}});
    }
    void TearDown() override
    {
        Ram64 = nullptr;
        ResetMachineToPowerOn();
    }
    static bool Probe()
    {
        WriteByte(0xFEF0, 0x55);
        return ReadByte(0xFEF0) == 0x55 && !(ReadByte(0xFEF1) & 2);
    }
    // One byte to the drive, or (code 0x84) from it; returns the status.
    static uint8_t Handshake(uint8_t code, uint8_t* byte)
    {
        Write({{0xFEF0, code}, {0xFEF0, *byte}, {0xFEF3, code == 0x84 ? 0 : 0xFF}, {0xFEF2, 0}});
        EXPECT_EQ(ReadByte(0xFEF2) & 0x80, 0x80) << "the drive answers the strobe";
        const uint8_t status = ReadByte(0xFEF1) & 3;
        *byte = ReadByte(0xFEF0);
        Write({{0xFEF2, 0x40}, {0xFEF3, 0xFF}, {0xFEF0, 0}});
        if (code == 0x84)
            Write({{0xFEF2, 0}, {0xFEF2, 0x40}});
        return status;
    }
    static uint8_t Send(uint8_t code, uint8_t byte) { return Handshake(code, &byte); }
};

TEST_F(BusPortTest, WithoutADriveTheRomShowsAndTheProbeFails)
{
    EXPECT_FALSE(Probe());
    for (uint16_t address = 0xFEF0; address < 0xFEF6; address++)
        EXPECT_EQ(ReadByte(address), KernalRom[address - 0xC000]);
    EXPECT_EQ(Ram64[0xFEF0], 0x55);   // writes reach RAM as before
}

// A file read to its end: each byte with status 0, the last with EOI (3);
// a read past the end is EOI again, while a missing file has no data (2).
// Between bytes the status lines are clear, so the next probe succeeds.
TEST_F(BusPortTest, ALoadThroughTheRegisters)
{
    std::filesystem::create_directory("folder");
    scratch.WriteFile("folder/data.prg", {0x00, 0x30, 7});
    std::string message;
    ASSERT_TRUE(DriveAttach("folder", &message)) << message;
    uint8_t byte = 0;
    for (std::string name : {"DATA", "NONE"}) {
        ASSERT_TRUE(Probe());
        Send(0x81, 0x20);   // LISTEN, OPEN channel 0, the name, UNLISTEN
        Send(0x82, 0xF0);
        for (char c : name)
            Send(0x83, static_cast<uint8_t>(c));
        Send(0x81, 0x3F);
        ASSERT_TRUE(Probe());
        Send(0x81, 0x40);   // TALK channel 0
        Send(0x82, 0x60);
        std::vector<uint8_t> statuses;
        for (int i = 0; i < 4; i++)
            statuses.push_back(Handshake(0x84, &byte));
        const std::vector<uint8_t> expected = name == "DATA" ? std::vector<uint8_t>{0, 0, 3, 3} : std::vector<uint8_t>(4, 2);
        EXPECT_EQ(statuses, expected) << name;
        Send(0x81, 0x5F);   // UNTALK
    }
    ASSERT_TRUE(Probe());
    // Detached in the middle of a read: the KERNAL's handshake is still
    // answered, the read ends the file, and after UNTALK the drive is gone.
    Send(0x81, 0x40);
    Send(0x82, 0x6F);
    DriveDetach();
    EXPECT_EQ(Handshake(0x84, &byte), 3);
    EXPECT_EQ(Send(0x81, 0x5F), 0);
    EXPECT_FALSE(Probe());
}

}  // namespace
