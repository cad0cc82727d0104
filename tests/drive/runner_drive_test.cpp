// Drive 8 end to end: BASIC's own disk commands typed into ravlin-headless
// with the real ROMs reach the drive through the KERNAL's parallel bus
// code; the images are made and read back by the tests' own D64 code.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/drive_test_support.h"
#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

// 10 PRINT"HI THERE", saved at 0x1001.
const std::vector<uint8_t> HiProgram = {0x01, 0x10, 0x11, 0x10, 10, 0, 0x99, '"', 'H', 'I', ' ', 'T',
                                        'H', 'E', 'R', 'E', '"', 0, 0, 0};

struct RunnerDriveTest : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        scratch.CopyRealRoms();
        scratch.WriteText("settings", "SoundEmulation=0\n");
    }
    // Runs the script (after the boot) with the options; the screen is
    // printed after each "screen-text" line.
    RunnerResult Run(const std::string& options, const std::string& script)
    {
        scratch.WriteText("drive.script", "frames 60\n" + script);
        return RunHeadless(options + " --script drive.script");
    }
    static std::string Typed(const std::string& line) { return "type " + line + "\\n\nframes 40\n"; }
    // disk.d64 with these PRG files.
    static void SaveDisk(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files = {})
    {
        TestDisk disk = TestDisk::Blank();
        for (const auto& [name, bytes] : files)
            disk.AddFile(name, bytes);
        disk.Save("disk.d64");
    }
};

TEST_F(RunnerDriveTest, DirectoryListingShowsDiskFilesAndBlocksFree)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HI", HiProgram);
    disk.AddFile("NOTES", std::vector<uint8_t>(600, 'X'), 0x81);
    disk.Save("disk.d64");
    RunnerResult run = Run("--disk disk.d64", Typed("DIRECTORY") + "screen-text\n" + Typed("SCNCLR:LOAD\"$\",8") +
                                                  Typed("LIST") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {"0 \"TEST DISK       \" TD 2A", "1    \"HI\"               PRG",
                             "3    \"NOTES\"            SEQ", "660 BLOCKS FREE."}) {
        size_t first = run.out.find(line);
        EXPECT_NE(first, std::string::npos) << line << "\n" << run.out;
        EXPECT_NE(run.out.find(line, first + 1), std::string::npos) << "LOAD\"$\" and LIST: " << line;
    }
}

TEST_F(RunnerDriveTest, DloadRunsAndCommaOneLoadsAtTheFilesAddress)
{
    SaveDisk({{"HI", HiProgram}, {"CODE", {0x00, 0x30, 11, 22, 33}}});
    RunnerResult run = Run("--disk disk.d64", Typed("DLOAD\"HI\"") + Typed("RUN") +
                                                  Typed("LOAD\"C*\",8,1") + Typed("PRINT PEEK(12290)*2") +
                                                  "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("RUN\nHI THERE\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("PRINT PEEK(12290)*2\n 66\n"), std::string::npos) << run.out;
}

TEST_F(RunnerDriveTest, LoadImageAndRunStartsTheFirstProgram)
{
    SaveDisk({{"HI", HiProgram}});
    RunnerResult run = RunHeadless("--load disk.d64 --run --frames 200 --screen-text");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("SEARCHING FOR 0:*\nLOADING\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("RUN\nHI THERE\n"), std::string::npos) << run.out;
}

TEST_F(RunnerDriveTest, DsaveWritesIntoAnImageAndIntoAFolder)
{
    SaveDisk();
    std::filesystem::create_directory("folder");
    RunnerResult run = Run("--disk disk.d64", Typed("10 PRINT 7") + Typed("DSAVE\"SEVEN\"") + "disk folder\n" +
                                                  Typed("DSAVE\"SEVEN\""));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<uint8_t> saved = {0x01, 0x10, 0x09, 0x10, 10, 0, 0x99, ' ', '7', 0, 0, 0};
    TestDisk image = TestDisk::FromFile("disk.d64");
    EXPECT_EQ(image.ReadFile("SEVEN"), saved);
    EXPECT_EQ(image.BamProblems(), "");
    EXPECT_EQ(ReadBinaryFile("folder/seven.prg"), saved);
}

// Power-on, a reset and a snapshot load each leave the drive reporting 73.
TEST_F(RunnerDriveTest, ErrorChannelAfterPowerOnAMissingFileAResetAndASnapshotLoad)
{
    SaveDisk();
    const std::string power = "73,CBM DOS V2.6 1551,00,00\n";
    RunnerResult run = Run("--disk disk.d64",
                           Typed("10 OPEN 15,8,15:INPUT#15,A,B$:PRINT A;B$:CLOSE 15") + Typed("PRINT DS$") +
                               "save-snapshot ready.fre\n" + Typed("LOAD\"NOPE\",8") + Typed("RUN") +
                               Typed("PRINT DS$") + "screen-text\n" + Typed("LOAD\"NOPE\",8") +
                               "press F11\nframes 60\n" + Typed("PRINT DS$") + "screen-text reset.txt\n" +
                               Typed("LOAD\"NOPE\",8") + "load ready.fre\n" + Typed("RUN") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("PRINT DS$\n" + power), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("?FILE NOT FOUND ERROR\nREADY.\nRUN\n 62 FILE NOT FOUND\n"), std::string::npos);
    EXPECT_NE(run.out.find("PRINT DS$\n00, OK,00,00\n"), std::string::npos);
    EXPECT_NE(scratch.ReadText("reset.txt").find("PRINT DS$\n" + power), std::string::npos) << "after the reset";
    EXPECT_NE(run.out.find("RUN\n 73 CBM DOS V2.6 1551\n"), std::string::npos) << "after the snapshot";
}

TEST_F(RunnerDriveTest, SequentialFileWrittenAndReadBack)
{
    SaveDisk();
    RunnerResult run = Run("--disk disk.d64",
                           Typed("10 OPEN 2,8,2,\"DATA,S,W\":PRINT#2,\"ABC\":PRINT#2,123:CLOSE 2") +
                               Typed("20 OPEN 3,8,3,\"DATA,S,R\":INPUT#3,A$,B:GET#3,C$:CLOSE 3") +
                               Typed("30 PRINT A$;B;ST") + Typed("RUN") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("RUN\nABC 123  64\n"), std::string::npos) << run.out;
    EXPECT_EQ(TestDisk::FromFile("disk.d64").ReadFile("DATA"), Bytes("ABC\r 123 \r"));
}

TEST_F(RunnerDriveTest, ScratchAndRenameThroughTheCommandChannel)
{
    SaveDisk({{"OLD", HiProgram}, {"GONE", HiProgram}});
    RunnerResult run = Run("--disk disk.d64", Typed("OPEN 15,8,15,\"S0:GONE\":CLOSE 15") +
                                                  Typed("OPEN 15,8,15,\"R0:NEW=OLD\":CLOSE 15"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    TestDisk image = TestDisk::FromFile("disk.d64");
    ASSERT_EQ(image.Directory().size(), 1u);
    EXPECT_EQ(image.Directory()[0].name, "NEW");
    EXPECT_EQ(image.ReadFile("NEW"), HiProgram);
    EXPECT_EQ(image.BamProblems(), "");
}

// What the error channel says, through BASIC: line 90 reads and prints it.
const std::string ShowStatus = "90 INPUT#15,A,B$,C,D:PRINT A;B$;C;D:RETURN";

// A damaged file, a wrong type and a blank image, as BASIC meets them.
TEST_F(RunnerDriveTest, ValidateTypeMismatchAndABlankImageAnswerTheDrivesErrors)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("SEQONE", Bytes("TEXT"), 0x81);
    disk.AddFile("BIGPROG", std::vector<uint8_t>(150 * 254, 0x11));
    disk.Sector(3, 0)[0] = 40;   // a link off the 35-track disk
    disk.Sector(3, 0)[1] = 0;
    disk.Save("damaged.d64");
    TestDisk blank;
    blank.bytes.assign(174848, 0);
    blank.Save("blank.d64");
    // Line 10 sends the command in C$ (kept by GOTO, unlike RUN).
    RunnerResult run = Run("--disk damaged.d64",
                           Typed("10 OPEN 15,8,15:PRINT#15,C$:GOSUB 90:IF C$<>\"V0\" THEN CLOSE 15:END") +
                               Typed("20 OPEN 2,8,2,\"SEQONE,P,R\":GOSUB 90:CLOSE 2:CLOSE 15:END") +
                               Typed(ShowStatus) + Typed("C$=\"V0\":GOTO 10") + "frames 60\nscreen-text\n" +
                               "disk blank.d64\n" + Typed("SCNCLR:C$=\"N0:NAME\":GOTO 10") +
                               Typed("C$=\"I0\":GOTO 10") + Typed("DIRECTORY") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("GOTO 10\n 66 ILLEGAL TRACK OR SECTOR 40  0\n 64 FILE TYPE MISMATCH 0  0\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(TestDisk::FromFile("damaged.d64").bytes, disk.bytes) << "validate wrote nothing";
    EXPECT_NE(run.out.find("GOTO 10\n 21 READ ERROR 18  0\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"I0\":GOTO 10\n 21 READ ERROR 18  0\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("DIRECTORY\n\nREADY.\n"), std::string::npos) << "nothing listed\n" << run.out;
    EXPECT_EQ(TestDisk::FromFile("blank.d64").bytes, blank.bytes) << "the blank image stays blank";
}

// A folder whose host names collide, and an empty program file.
TEST_F(RunnerDriveTest, FolderNamesAreDistinctAndAnEmptyProgramSaysWhy)
{
    std::filesystem::create_directory("folder");
    scratch.WriteFile("folder/dup.prg", HiProgram);
    std::vector<uint8_t> other = HiProgram;
    other[9] = 'O';   // "HO THERE"
    scratch.WriteFile("folder/DUP.prg", other);
    scratch.WriteFile("folder/empty.prg", {});
    RunnerResult run = Run("--disk folder", Typed("DIRECTORY") + Typed("DLOAD\"DUP#2\"") + Typed("RUN") +
                                                Typed("LOAD\"EMPTY\",8") + Typed("PRINT DS$") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {"1    \"DUP\"              PRG", "1    \"DUP#2\"            PRG",
                             "0    \"EMPTY\"            PRG", "RUN\nHO THERE\n", "?FILE NOT FOUND ERROR",
                             "PRINT DS$\n20,READ ERROR,00,00\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
}

}  // namespace
