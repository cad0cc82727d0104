// Images as they come: the four sizes and others, damaged chains and error
// bytes, write protection, a full disk, and the write-back that only ever
// replaces the image whole.
#include <sys/stat.h>

#include <filesystem>

#include "drive/drive_fixture.h"

namespace {

TEST_F(DriveTest, ImagesOfTheFourSizesAttachAndOthersAreRefusedBySize)
{
    struct Case {
        size_t size;
        bool attaches;
    } cases[] = {{174848, true}, {175531, true}, {196608, true}, {197376, true},
                 {0, false},     {1000, false},  {174849, false}, {300000, false}};
    for (const Case& c : cases) {
        TestDisk disk = TestDisk::Blank(c.size >= 196608 ? 40 : 35);
        disk.bytes.resize(c.size, 0x01);
        disk.Save("sized.d64");
        std::string message;
        EXPECT_EQ(DriveAttach("sized.d64", &message), c.attaches) << c.size;
        EXPECT_EQ(DriveAttached(), c.attaches);
        if (c.attaches) {
            EXPECT_EQ(DriveAttachedPath(), "sized.d64");
        } else {
            EXPECT_NE(message.find(std::to_string(c.size)), std::string::npos) << message;
            EXPECT_EQ(DriveAttachedPath(), "");
        }
    }
    std::string message;
    EXPECT_FALSE(DriveAttach("absent.d64", &message));
    EXPECT_FALSE(message.empty());
}

TEST_F(DriveTest, BrokenChainsEndTheReadWithAnError)
{
    struct Case {
        const char* what;
        uint8_t track, sector;   // the first sector's link, changed
        uint8_t errorByte;       // the second sector's error byte
        const char* status;
        size_t bytes;            // what arrives before the error
    } cases[] = {
        {"loop to itself", 1, 0, 0x01, "20,READ ERROR,01,00", 254},
        {"track outside", 50, 0, 0x01, "66,ILLEGAL TRACK OR SECTOR,50,00", 254},
        {"sector past the track's last", 1, 21, 0x01, "66,ILLEGAL TRACK OR SECTOR,01,21", 254},
        {"an error byte on the second sector", 1, 1, 0x05, "23,READ ERROR,01,01", 254},
    };
    for (const Case& c : cases) {
        TestDisk disk = TestDisk::Blank(35, true);
        disk.AddFile("BROKEN", Program(600));
        disk.Sector(1, 0)[0] = c.track;
        disk.Sector(1, 0)[1] = c.sector;
        disk.bytes[683 * 256 + 1] = c.errorByte;
        Attach(disk);
        std::string status;
        EXPECT_EQ(LoadFile("BROKEN", &status).size(), c.bytes) << c.what;
        EXPECT_EQ(status, c.status) << c.what;
        std::vector<uint8_t> bytes;
        EXPECT_FALSE(DriveReadFile(Bytes("BROKEN"), &bytes)) << c.what;
    }
    // A directory chain that loops still lists what it holds, then stops.
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("ONE", Program(1));
    disk.Sector(18, 1)[0] = 18;
    disk.Sector(18, 1)[1] = 1;
    Attach(disk);
    std::string status;
    std::vector<uint8_t> listing = LoadFile("$", &status);
    EXPECT_NE(std::string(listing.begin(), listing.end()).find("\"ONE\""), std::string::npos);
    EXPECT_EQ(status, "20,READ ERROR,18,01");
    DriveDirectory directory;
    EXPECT_FALSE(DriveReadDirectory(&directory));
    EXPECT_EQ(SaveFile("TWO", Program(1)), "20,READ ERROR,18,01") << "no write on a damaged directory";
}

// Validate follows every file's chain before it writes a BAM: a broken one
// would have its remaining sectors freed for the next save to overwrite.
TEST_F(DriveTest, ValidateStopsAtABrokenChainAndWritesNothing)
{
    struct Case {
        const char* what;
        uint8_t track, sector;   // the link of BIGPROG's sector 5/0, changed
        uint8_t errorByte;       // sector 5/1's error byte
        const char* status;
    } cases[] = {
        {"a link off the disk", 40, 0, 0x01, "66,ILLEGAL TRACK OR SECTOR,40,00"},
        {"a link past the track's last sector", 5, 21, 0x01, "66,ILLEGAL TRACK OR SECTOR,05,21"},
        {"a link back into its own chain", 1, 3, 0x01, "20,READ ERROR,01,03"},
        {"a sector marked bad", 5, 1, 0x05, "23,READ ERROR,05,01"},
    };
    for (const Case& c : cases) {
        TestDisk disk = TestDisk::Blank(35, true);
        disk.AddFile("GOOD", Program(600));                  // 1/0-1/2
        disk.AddFile("BIGPROG", Program(150 * 254 - 2));     // 1/3 onwards, through 5/0 and 5/1
        disk.AddFile("SPLAT", Program(10), 0x02);            // never completed: validate would remove it
        ASSERT_EQ(disk.Sector(5, 0)[0], 5);
        disk.Sector(5, 0)[0] = c.track;
        disk.Sector(5, 0)[1] = c.sector;
        disk.bytes[683 * 256 + 4 * 21 + 1] = c.errorByte;
        Attach(disk);
        Command("V0");
        EXPECT_EQ(Status(), c.status) << c.what;
        EXPECT_EQ(OnDisk().bytes, disk.bytes) << c.what << ": the image is unchanged";
        std::string status;
        LoadFile("BIGPROG", &status);
        EXPECT_EQ(status, c.status) << c.what << ": as LOAD reports it";
        Command("C0:COPY=BIGPROG");
        EXPECT_EQ(Status(), c.status) << c.what << ": as copy reports it";
    }
    // A DEL entry without a chain (a separator in a listing) is no file.
    TestDisk lettering = TestDisk::Blank();
    lettering.AddFile("----------------", {}, 0x80);
    lettering.Sector(18, 1)[3] = 0;
    Attach(lettering);
    Command("V0");
    EXPECT_EQ(Status(), "00, OK,00,00");
    EXPECT_EQ(OnDisk().Directory().size(), 1u);
}

TEST_F(DriveTest, WriteProtectedImageRefusesEveryChange)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HERE", Program(10));
    disk.Save("locked.d64");
    chmod("locked.d64", 0444);   // read-only even for the superuser
    ASSERT_TRUE(DriveAttach("locked.d64", nullptr));
    EXPECT_TRUE(DriveWriteProtected());
    EXPECT_EQ(SaveFile("NEW", Program(10)), "26,WRITE PROTECT ON,00,00");
    for (const char* command : {"S0:HERE", "R0:X=HERE", "N0:X,YY", "V0"}) {
        Command(command);
        EXPECT_EQ(Status(), "26,WRITE PROTECT ON,00,00") << command;
    }
    EXPECT_EQ(LoadFile("HERE"), Program(10));
    EXPECT_EQ(TestDisk::FromFile("locked.d64").bytes, disk.bytes);
}

TEST_F(DriveTest, FullDiskGivesDiskFullAndLeavesTheImageAsItWas)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("BIG", std::vector<uint8_t>(254 * 662, 0x55));
    Attach(disk);
    ASSERT_EQ(OnDisk().BlocksFree(), 2);
    Open(1, "TOOBIG");
    Send(1, std::vector<uint8_t>(254 * 3, 0xAA));
    EXPECT_EQ(Status(), "72,DISK FULL,00,00");
    DriveClose(1);
    EXPECT_EQ(OnDisk().bytes, disk.bytes);
    // What fits still goes on, to the last block.
    EXPECT_EQ(SaveFile("FITS", std::vector<uint8_t>(254 * 2, 0xAA)), "00, OK,00,00");
    EXPECT_EQ(OnDisk().BlocksFree(), 0);
    EXPECT_EQ(OnDisk().BamProblems(), "");
    // A full directory track is a full disk too.
    disk = TestDisk::Blank();
    for (int s = 2; s < 19; s++) {
        size_t at = 4 * 18 + 1 + static_cast<size_t>(s / 8);
        disk.Sector(18, 0)[at] &= static_cast<uint8_t>(~(1 << (s % 8)));
    }
    disk.Sector(18, 0)[4 * 18] = 0;
    for (int i = 0; i < 8; i++)
        disk.AddFile("F" + std::to_string(i), {1});
    Attach(disk);
    EXPECT_EQ(SaveFile("NINTH", {1}), "72,DISK FULL,00,00");
    EXPECT_EQ(OnDisk().bytes, disk.bytes);
}

TEST_F(DriveTest, ImageIsWrittenBackWholeWhenTheFileCloses)
{
    Attach(TestDisk::Blank());
    auto before = std::filesystem::last_write_time("disk.d64");
    TestDisk original = OnDisk();
    Open(2, "LATER,S,W");
    Send(2, Bytes("TEXT"));
    EXPECT_EQ(OnDisk().bytes, original.bytes) << "nothing reaches the image before the close";
    DriveReset();   // a reset drops the unfinished file
    EXPECT_EQ(OnDisk().bytes, original.bytes);
    Open(2, "LATER,S,W");
    Send(2, Bytes("TEXT"));
    DriveClose(2);
    EXPECT_EQ(OnDisk().ReadFile("LATER"), Bytes("TEXT"));
    EXPECT_GE(std::filesystem::last_write_time("disk.d64"), before);
    // No temporary file is left beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        files += entry.path().filename().string().find("disk.d64") != std::string::npos ? 1 : 0;
    EXPECT_EQ(files, 1);
}

}  // namespace
