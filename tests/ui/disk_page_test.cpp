// The load menu's DISK page: images listed like programs, Enter attaches
// one and shows its directory, Enter on a program there loads it, the
// actions go back to the folder or detach the drive.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "drive/drive.h"
#include "drive/hardware_drive.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "platform/headless/headless_control.h"
#include "ui/menus.h"
#include "ui/ui_test_support.h"

namespace fs = std::filesystem;

namespace {

void Send(uint8_t channel, const std::string& text)
{
    for (char c : text)
        DriveListenByte(channel, static_cast<uint8_t>(c));
    DriveEndListen(channel);
}

// An image made by the drive itself: formatted, with a program and a file.
void MakeImage(const std::string& name)
{
    std::ofstream(name, std::ios::binary) << std::string(174848, '\0');
    ASSERT_TRUE(DriveAttach(name, nullptr));
    DriveOpen(15, nullptr, 0);
    Send(15, "N0:GAMES,GM");
    const std::string data = "NOTES,S,W";
    DriveOpen(2, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    Send(2, "TEXT");
    DriveClose(2);
    for (const std::string program : {"HELLO", "BROKEN"}) {
        DriveOpen(1, reinterpret_cast<const uint8_t*>(program.data()), program.size());
        Send(1, std::string("\x00\x30\x11\x22\x33", 5) + std::string(program.size() * 60, 'x'));
        DriveClose(1);
    }
    DriveDetach();
    // BROKEN (the third entry of directory sector 18/1) links off the disk.
    std::fstream image(name, std::ios::in | std::ios::out | std::ios::binary);
    auto offset = [](int track, int sector) { return ((track - 1) * 21 + sector) * 256; };
    char at[2];
    image.seekg(offset(18, 1) + 2 * 32 + 3);
    image.read(at, 2);
    image.seekp(offset(at[0], at[1]));
    image.write("\x28\x00", 2);
}

class DiskPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BootMenuMachine());
        DriveDetach();
        fs::create_directory("here");
        fs::current_path("here");
        MakeImage("games.d64");
        std::ofstream("bad.D64") << std::string(1000, 'x');
        pictures.Start();
        HeadlessAtTick(HeadlessTicks() + 3000, [] { HeadlessSetKey(DIK_ESCAPE, true); });
    }
    void TearDown() override { DriveDetach(); }
    void Run()
    {
        LoadMenuRequest = 1;
        RunLoadMenu();
        EXPECT_EQ(LoadMenuRequest, 0);
    }
    ScratchDirectory scratch;
    PictureLog pictures;
};

TEST_F(DiskPageTest, AttachesAnImageShowsItsDirectoryAndLoadsAProgram)
{
    Ram64[0x3000] = 0;
    // To DISK; End: games.d64; Enter; End, Up: HELLO; Enter.
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_END, DIK_RETURN, DIK_END});
    pictures.PressAt(6, DIK_UP);
    pictures.KeysAt(8, {DIK_RETURN});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 9u);
    const WindowPicture& images = pictures.pictures[4];
    EXPECT_EQ(ReadCells(images, 8, 2, 24, 0x71, 0x00), "SELECT A DISK TO ATTACH:");
    EXPECT_EQ(ReadCells(images, 10, 7, 7, 0x61, 0x00), "BAD.D64");
    EXPECT_EQ(ReadCells(images, 10, 8, 9, 0x71, 0x51), "GAMES.D64");
    EXPECT_EQ(ReadCells(images, 10, 23, 5, 0x71, 0x00), "EMPTY");
    EXPECT_EQ(ReadCells(images, 1, 22, 7, 0x41, 0x00), "DRIVES:");

    const WindowPicture& disk = pictures.pictures[5];
    EXPECT_EQ(ReadCells(disk, 9, 2, 22, 0x71, 0x00), "SELECT A FILE TO LOAD:");
    EXPECT_EQ(ReadCells(disk, 14, 4, 13, 0x46, 0x00), "\"GAMES\" GM 2A");
    EXPECT_EQ(ReadCells(disk, 8, 6, 24, 0x43, 0x51), "    <BACK TO THE FOLDER>");
    EXPECT_EQ(ReadCells(disk, 8, 7, 20, 0x23, 0x00), "    <DETACH DRIVE 8>");
    EXPECT_EQ(ReadCells(disk, 8, 8, 24, 0x61, 0x00), "  1 NOTES            SEQ");
    EXPECT_EQ(ReadCells(disk, 8, 9, 24, 0x61, 0x00), "  2 HELLO            PRG");
    EXPECT_EQ(ReadCells(disk, 8, 10, 24, 0x61, 0x00), "  2 BROKEN           PRG");
    EXPECT_EQ(ReadCells(disk, 1, 23, 8, 0x41, 0x00), "DRIVE 8:");
    EXPECT_EQ(ReadCells(disk, 10, 23, 9, 0x71, 0x00), "GAMES.D64");
    EXPECT_EQ(ReadCells(disk, 27, 24, 13, 0x4F, 0x61), "-MOVE        ") << "no drive letters here";
    EXPECT_EQ(ReadCells(pictures.pictures[8], 8, 9, 24, 0x71, 0x51), "  2 HELLO            PRG");

    EXPECT_EQ(Ram64[0x3000], 0x11);
    EXPECT_EQ(Ram64[0x3002], 0x33);
    EXPECT_TRUE(DriveAttached()) << "the drive stays attached";
    EXPECT_EQ(HeadlessWindowTitle(), "Ravlin - The C16/Plus4 Emulator (Plus/4) - LOADED HELLO, 2 BLOCKS: TYPE RUN");
}

// Enter in a disk's directory always says what happened, in the title: a
// file that is no program stays in the menu, a program that can't be read
// leaves the machine as it was.
TEST_F(DiskPageTest, EnterSaysInTheTitleWhatHappened)
{
    Ram64[0x3000] = 0;
    std::string onSequentialFile;
    // To DISK; End: games.d64; Enter; Down, Down: NOTES; Enter; End: BROKEN; Enter.
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_END, DIK_RETURN});
    pictures.PressAt(5, DIK_DOWN);
    pictures.PressAt(7, DIK_DOWN);
    pictures.KeysAt(9, {DIK_RETURN});
    pictures.AtPicture(11, [&] { onSequentialFile = HeadlessWindowTitle(); });
    pictures.KeysAt(11, {DIK_END, DIK_RETURN});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 13u);
    EXPECT_EQ(ReadCells(pictures.pictures[10], 8, 8, 24, 0x71, 0x51), "  1 NOTES            SEQ");
    EXPECT_EQ(onSequentialFile, "Ravlin - The C16/Plus4 Emulator (Plus/4) - NOTES IS A SEQ FILE, NOT A PROGRAM");
    EXPECT_EQ(ReadCells(pictures.pictures[12], 8, 10, 24, 0x71, 0x51), "  2 BROKEN           PRG");
    EXPECT_EQ(HeadlessWindowTitle(),
              "Ravlin - The C16/Plus4 Emulator (Plus/4) - CAN'T LOAD BROKEN: 66,ILLEGAL TRACK OR SECTOR,40,00");
    EXPECT_EQ(Ram64[0x3000], 0) << "nothing loaded";
}

TEST_F(DiskPageTest, DetachesAndSaysWhyAnImageIsRefused)
{
    // games.d64 attached; Down to the detach entry (paced: pressed as a
    // person would), Enter; then End: zbad.D64, made meanwhile; Enter.
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_END, DIK_RETURN});
    pictures.PressAt(5, DIK_DOWN);
    pictures.AtPicture(5, [] { std::ofstream("zbad.D64") << std::string(1000, 'x'); });
    pictures.KeysAt(7, {DIK_RETURN, DIK_END, DIK_RETURN, DIK_ESCAPE});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 11u);
    EXPECT_EQ(ReadCells(pictures.pictures[6], 8, 7, 20, 0x43, 0x51), "    <DETACH DRIVE 8>");
    EXPECT_EQ(ReadCells(pictures.pictures[8], 8, 2, 24, 0x71, 0x00), "SELECT A DISK TO ATTACH:");
    EXPECT_EQ(ReadCells(pictures.pictures[8], 10, 23, 5, 0x71, 0x00), "EMPTY");
    EXPECT_EQ(ReadCells(pictures.pictures[10], 10, 23, 27, 0x58, 0x00), "NOT A D64 IMAGE: 1000 BYTES");
    EXPECT_FALSE(DriveAttached());
}

// With the 1541's ROM, an image goes into the 1541: the page lists the
// disk as the drive holds it, and moves its write-protect tab.
TEST_F(DiskPageTest, AnImageInThe1541ListsItsDiskAndMovesTheTab)
{
    std::vector<uint8_t> rom(16384, 0xEA);   // a drive ROM of our own: JMP *
    rom[0] = 0x4C;
    rom[1] = 0x00;
    rom[2] = 0xC0;
    rom[0x3FFD] = rom[0x3FFF] = 0xC0;
    ASSERT_TRUE(SetHardwareDriveRom(rom.data(), rom.size()));
    // To DISK; End: games.d64; Enter; Down, Down: the tab; Enter.
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_END, DIK_RETURN});
    pictures.PressAt(5, DIK_DOWN);
    pictures.PressAt(7, DIK_DOWN);
    pictures.KeysAt(9, {DIK_RETURN});
    Run();
    const bool protectedAfter = DriveWriteProtected();
    SetHardwareDriveRom(nullptr, 0);
    ASSERT_GT(pictures.pictures.size(), 10u) << "the menu stays open until Escape";
    const WindowPicture& disk = pictures.pictures[5];
    EXPECT_EQ(ReadCells(disk, 14, 4, 13, 0x46, 0x00), "\"GAMES\" GM 2A");
    EXPECT_EQ(ReadCells(disk, 8, 8, 24, 0x23, 0x00), "    <WRITE PROTECT: OFF>");
    EXPECT_EQ(ReadCells(disk, 8, 10, 24, 0x61, 0x00), "  2 HELLO            PRG");
    EXPECT_EQ(ReadCells(pictures.pictures[10], 8, 8, 23, 0x43, 0x51), "    <WRITE PROTECT: ON>");
    EXPECT_EQ(ReadCells(pictures.pictures[10], 10, 23, 21, 0x71, 0x00), "GAMES.D64 (READ ONLY)");
    EXPECT_TRUE(protectedAfter);
}

}  // namespace
