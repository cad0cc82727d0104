// The command channel: scratch, rename, copy, initialise, new, validate,
// and the error channel's messages.
#include <algorithm>

#include "drive/drive_fixture.h"

namespace {

TEST_F(DriveTest, ErrorChannelSendsTheMessageOnceThenOk)
{
    EXPECT_EQ(Status(), "73,CBM DOS V2.6 1551,00,00") << "after power-on";
    EXPECT_EQ(Status(), "00, OK,00,00");
    Open(15, "");
    Command("I0");
    EXPECT_EQ(Status(), "74,DRIVE NOT READY,00,00") << "nothing attached";
    Attach(TestDisk::Blank());
    struct Case {
        const char* command;
        const char* status;
    } cases[] = {
        {"I0", "00, OK,00,00"},
        {"I", "00, OK,00,00"},
        {"Q0:X", "31,SYNTAX ERROR,00,00"},
        {"S0", "34,SYNTAX ERROR,00,00"},
        {"S0:", "34,SYNTAX ERROR,00,00"},
        {"R0:NEW", "30,SYNTAX ERROR,00,00"},
        {"R0:NEW=OLD", "62,FILE NOT FOUND,00,00"},
        {"R0:SEVENTEEN LETTERS=OLD", "33,SYNTAX ERROR,00,00"},
        {"S0:NOTHING", "01, FILES SCRATCHED,00,00"},
        {"N0:DISK,TOOLONG", "30,SYNTAX ERROR,00,00"},
        {"UJ", "73,CBM DOS V2.6 1551,00,00"},
        {"I0:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "32,SYNTAX ERROR,00,00"},
    };
    for (const Case& c : cases) {
        Command(c.command);
        EXPECT_EQ(Status(), c.status) << c.command;
    }
    // A command may come as OPEN's name, with a carriage return.
    Open(15, "I0\r");
    EXPECT_EQ(Status(), "00, OK,00,00");
    DriveReset();
    EXPECT_EQ(Status(), "73,CBM DOS V2.6 1551,00,00") << "after a reset";
}

TEST_F(DriveTest, ScratchRenameAndCopyKeepTheBamConsistent)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("APPLE", Program(1000));
    disk.AddFile("APRICOT", Program(10));
    disk.AddFile("LOCKED", Program(10), 0xC2);
    disk.AddFile("BANANA", Program(10));
    Attach(disk);
    Command("C0:CHERRY=APRICOT,BANANA");
    EXPECT_EQ(Status(), "00, OK,00,00");
    std::vector<uint8_t> joined = Program(10), second = Program(10);
    joined.insert(joined.end(), second.begin(), second.end());
    EXPECT_EQ(OnDisk().ReadFile("CHERRY"), joined);
    Command("S0:AP*,L*");
    EXPECT_EQ(Status(), "01, FILES SCRATCHED,02,00") << "a locked file stays";
    Command("R0:FIG=BANANA");
    EXPECT_EQ(Status(), "00, OK,00,00");
    Command("R0:FIG=CHERRY");
    EXPECT_EQ(Status(), "63,FILE EXISTS,00,00");
    TestDisk after = OnDisk();
    std::vector<std::string> names;
    for (const TestEntry& entry : after.Directory())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"LOCKED", "FIG", "CHERRY"}));
    EXPECT_EQ(after.ReadFile("FIG"), Program(10));
    EXPECT_EQ(after.BamProblems(), "");
    EXPECT_EQ(after.BlocksFree(), 664 - 3);
}

TEST_F(DriveTest, NewFormatsAndValidateRepairsTheBam)
{
    for (int tracks : {35, 40}) {
        SCOPED_TRACE(tracks);
        TestDisk disk = TestDisk::Blank(tracks, true);
        disk.AddFile("OLD", Program(3000));
        Attach(disk);
        Command("N0:FRESH DISK,FD");
        EXPECT_EQ(Status(), "00, OK,00,00");
        TestDisk formatted = OnDisk();
        EXPECT_EQ(formatted.bytes.size(), disk.bytes.size());
        EXPECT_TRUE(formatted.Directory().empty());
        EXPECT_EQ(formatted.BamProblems(), "");
        int free = tracks == 40 ? 664 + 5 * 17 : 664;
        EXPECT_EQ(formatted.BlocksFree(), free);
        DriveDirectory directory;
        ASSERT_TRUE(DriveReadDirectory(&directory));
        EXPECT_EQ(directory.diskName, Bytes("FRESH DISK"));
        EXPECT_EQ(directory.diskId, Bytes("FD"));
        EXPECT_EQ(directory.blocksFree, free);
        // A short new keeps the id.
        Command("N0:OTHER");
        DriveReadDirectory(&directory);
        EXPECT_EQ(directory.diskId, Bytes("FD"));

        // A BAM that disagrees with the files: all free, then all used.
        for (uint8_t fill : {0xFF, 0x00}) {
            disk = TestDisk::Blank(tracks);
            disk.AddFile("KEEP", Program(2000));
            disk.AddFile("SPLAT", Program(100), 0x02);
            for (int t = 1; t <= tracks; t++) {
                size_t at = t <= 35 ? static_cast<size_t>(4 * t) : static_cast<size_t>(0xC0 + 4 * (t - 36));
                std::fill(disk.Sector(18, 0) + at, disk.Sector(18, 0) + at + 4, fill);
            }
            Attach(disk);
            // A map of all free writes where it finds room, one of all
            // used finds none; neither does harm.
            EXPECT_EQ(SaveFile("NEW", Program(500)), fill ? "00, OK,00,00" : "72,DISK FULL,00,00");
            Command("V0");
            EXPECT_EQ(Status(), "00, OK,00,00");
            if (!fill) {
                EXPECT_EQ(SaveFile("NEW", Program(500)), "00, OK,00,00");
            }
            TestDisk valid = OnDisk();
            EXPECT_EQ(valid.Directory().size(), 2u) << "the unclosed file is gone";
            EXPECT_EQ(valid.ReadFile("KEEP"), Program(2000));
            EXPECT_EQ(valid.BamProblems(), "");
        }
    }
}

// A blank image (all zero, as made by `truncate`) was never formatted: a
// drive finds nothing on its directory track.  Only a full format, with an
// id, makes it a disk.
TEST_F(DriveTest, UnformattedImageAnswersReadErrorUntilFormattedWithAnId)
{
    TestDisk blank;
    blank.bytes.assign(174848, 0);
    Attach(blank);
    const std::string unformatted = "21,READ ERROR,18,00";
    Command("N0:NAME");
    EXPECT_EQ(Status(), unformatted) << "a quick format needs a formatted disk";
    for (const char* command : {"V0", "I0", "R0:A=B"}) {
        Command(command);
        EXPECT_EQ(Status(), unformatted) << command;
    }
    std::string status;
    EXPECT_TRUE(LoadFile("$", &status).empty()) << "no listing of garbage";
    EXPECT_EQ(status, unformatted);
    EXPECT_EQ(SaveFile("NEW", Program(1)), unformatted);
    DriveDirectory directory;
    EXPECT_FALSE(DriveReadDirectory(&directory));
    EXPECT_EQ(OnDisk().bytes, blank.bytes) << "nothing written";

    Command("N0:NAME,ID");
    EXPECT_EQ(Status(), "00, OK,00,00");
    Command("N0:AGAIN");
    EXPECT_EQ(Status(), "00, OK,00,00");
    ASSERT_TRUE(DriveReadDirectory(&directory));
    EXPECT_EQ(directory.diskName, Bytes("AGAIN"));
    EXPECT_EQ(directory.diskId, Bytes("ID"));

    // Zero bytes in a header (an image made by hand) would end the listing's
    // BASIC line early: they show as '?'.
    TestDisk odd = TestDisk::Blank();
    odd.Sector(18, 0)[0xA2] = 0;
    odd.Sector(18, 0)[0x91] = 0;
    Attach(odd);
    std::vector<uint8_t> listing = LoadFile("$");
    ASSERT_GT(listing.size(), 6u);
    std::string header(listing.begin() + 6, std::find(listing.begin() + 6, listing.end(), 0));
    EXPECT_EQ(header, "\x12\"T?ST DISK       \" ?D 2A");
}

}  // namespace
