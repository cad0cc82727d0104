// Drive 8 under the open boot ROM: its command line's DIRECTORY, LOAD,
// RUN and SAVE, and a cc65 program's files on channels, against images made
// and read back by the tests' own D64 code.  Where the real ROMs are found
// the same program runs under them too and must print the same.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/drive_test_support.h"
#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

// 10 SYS 4109, then code that prints "HELLO FROM DISK" through CHROUT.
const std::vector<uint8_t> HelloProgram = {
    0x01, 0x10, 0x0B, 0x10, 0x0A, 0x00, 0x9E, '4', '1', '0', '9', 0x00, 0x00, 0x00,
    0xA2, 0x00, 0xBD, 0x1B, 0x10, 0xF0, 0x06, 0x20, 0xD2, 0xFF, 0xE8, 0xD0, 0xF5, 0x60,
    'H', 'E', 'L', 'L', 'O', ' ', 'F', 'R', 'O', 'M', ' ', 'D', 'I', 'S', 'K', 0x00};
// At 0x3000: LDA #'X', JSR CHROUT, RTS.
const std::vector<uint8_t> CodeAt3000 = {0x00, 0x30, 0xA9, 'X', 0x20, 0xD2, 0xFF, 0x60};
// 10 PRINT"HI THERE": needs BASIC.
const std::vector<uint8_t> BasicProgram = {0x01, 0x10, 0x11, 0x10, 10, 0, 0x99, '"', 'H', 'I', ' ', 'T',
                                           'H', 'E', 'R', 'E', '"', 0, 0, 0};

struct OpenRomDriveTest : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override { scratch.WriteText("settings", "SoundEmulation=0\nOpenRom=1\n"); }
    RunnerResult Run(const std::string& options, const std::string& script)
    {
        scratch.WriteText("drive.script", "frames 60\n" + script);
        return RunHeadless(options + " --script drive.script");
    }
    static std::string Typed(const std::string& line, int frames = 40)
    {
        return "type " + line + "\\n\nframes " + std::to_string(frames) + "\n";
    }
};

TEST_F(OpenRomDriveTest, DirectoryAndDollarListTheDiskOrTheNamesAPatternMatches)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HI", BasicProgram);
    disk.AddFile("NOTES", std::vector<uint8_t>(600, 'X'), 0x81);
    disk.Save("disk.d64");
    RunnerResult run = Run("--disk disk.d64", Typed("DIRECTORY") + "screen-text\n" + Typed("$") + "screen-text\n" +
                                                  Typed("DIRECTORY\"N*\"") + Typed("$\"H?\"") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {"0 \"TEST DISK       \" TD 2A\n1    \"HI\"               PRG\n"
                             "3    \"NOTES\"            SEQ\n660 BLOCKS FREE.\nREADY.\n"}) {
        size_t first = run.out.find(std::string("DIRECTORY\n") + line);
        EXPECT_NE(first, std::string::npos) << run.out;
        EXPECT_NE(run.out.find(std::string("$\n") + line, first + 1), std::string::npos) << run.out;
    }
    // A pattern lists the matching names only.
    EXPECT_NE(run.out.find("DIRECTORY\"N*\"\n0 \"TEST DISK       \" TD 2A\n3    \"NOTES\"            SEQ\n"
                           "660 BLOCKS FREE.\nREADY.\n$\"H?\"\n0 \"TEST DISK       \" TD 2A\n"
                           "1    \"HI\"               PRG\n660 BLOCKS FREE.\nREADY.\n"),
              std::string::npos)
        << run.out;
}

TEST_F(OpenRomDriveTest, LoadRunSysListAndSaveThroughTheCommandLine)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HELLO", HelloProgram);
    disk.AddFile("CODE", CodeAt3000);
    disk.AddFile("BASIC", BasicProgram);
    disk.Save("disk.d64");
    // SAVE with nothing loaded, or after NEW, says so and writes nothing.
    RunnerResult run = Run("--disk disk.d64",
                           Typed("SAVE\"EMPTY\",8") + Typed("LOAD\"HELLO\",8", 60) + Typed("RUN") + Typed("LIST") +
                               "screen-text\n" + Typed("SAVE\"COPY\",8", 60) + Typed("LOAD\"C*\",8,1", 60) + Typed("RUN") +
                               Typed("SYS 12288") + Typed("LOAD\"BASIC\",8", 60) + Typed("LIST") + Typed("RUN") +
                               "screen-text\n" + Typed("NEW") + Typed("SAVE\"EMPTY\",8") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("SAVE\"EMPTY\",8\n?NOTHING TO SAVE ERROR\nREADY.\nLOAD\"HELLO\",8\nSEARCHING FOR HELLO\n"
                           "LOADING\nREADY.\nRUN\nHELLO FROM DISK\nREADY.\nLIST\n10 SYS4109\nREADY.\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("SAVE\"COPY\",8\nSAVING COPY\nREADY.\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("LOAD\"C*\",8,1\nSEARCHING FOR C*\nLOADING\nREADY.\nRUN\nX\nREADY.\nSYS 12288\nX\nREADY.\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("LIST\n10 PRINT\"HI THERE\"\nREADY.\nRUN\nBASIC 3.5 ROM NEEDED\nREADY.\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("NEW\nREADY.\nSAVE\"EMPTY\",8\n?NOTHING TO SAVE ERROR\n"), std::string::npos) << run.out;
    // The saved copy is the program, byte for byte, as a PRG file.
    TestDisk after = TestDisk::FromFile("disk.d64");
    EXPECT_EQ(after.ReadFile("COPY"), HelloProgram);
    EXPECT_EQ(after.Directory().size(), 4u) << "no EMPTY";
    EXPECT_EQ(after.BamProblems(), "");
}

// After a load at the start of BASIC the lines are linked for where they
// are: the drive's directory (links left to the computer) and a program
// saved from 0x0401 list; a line cut off by the file's end stays as it was.
TEST_F(OpenRomDriveTest, LoadRelinksTheLinesSoTheyList)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("C64", {0x01, 0x04, 0x08, 0x04, 10, 0, 0x99, '1', 0, 0x0E, 0x04, 20, 0, 0x80, 0, 0, 0});
    disk.AddFile("CUT", {0x01, 0x10, 0x01, 0x01, 10, 0, 0x80, 0, 0x01, 0x01, 20, 0, 0x99});
    disk.Save("disk.d64");
    for (const auto& [name, listing] : std::vector<std::pair<std::string, std::string>>{
             {"$", "0 \"TEST DISK       \" TD 2A\n1    \"C64\"              PRG\n1    \"CUT\"              PRG\n"},
             {"C64", "10 PRINT1\n20 END\nREADY.\n"},
             {"CUT", "10 END\nREADY.\n"}}) {
        RunnerResult run = Run("--disk disk.d64", Typed("LOAD\"" + name + "\",8", 60) + Typed("LIST") + "screen-text\n");
        EXPECT_NE(run.out.find("LOADING\nREADY.\nLIST\n" + listing), std::string::npos) << run.out << run.err;
    }
}

// Typing right after --load has filled the key buffer with LOAD"*",8: every
// key arrives, in order.
TEST_F(OpenRomDriveTest, KeysTypedAsADiskStartsArriveInOrder)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("FIRST", CodeAt3000);
    disk.AddFile("HELLO", HelloProgram);
    disk.Save("t.d64");
    RunnerResult run = RunHeadless("--load t.d64 --type 'LOAD\"HELLO\",8\\nRUN\\n' --frames 400 --screen-text");
    EXPECT_NE(run.out.find("READY.\nLOAD\"HELLO\",8\nSEARCHING FOR HELLO\nLOADING\nREADY.\nRUN\nHELLO FROM DISK\n"),
              std::string::npos)
        << run.out << run.err;
}

// A disk image started as `ravlin disk.d64` starts it: Shift+RUN/STOP's
// LOAD"*",8 and RUN.
TEST_F(OpenRomDriveTest, StartingADiskImageLoadsAndRunsItsFirstProgram)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HELLO", HelloProgram);
    disk.Save("disk.d64");
    RunnerResult run = RunHeadless("--load disk.d64 --run --frames 300 --screen-text");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("LOAD\"*\",8\nSEARCHING FOR *\nLOADING\nREADY.\nRUN\nHELLO FROM DISK\n"), std::string::npos)
        << run.out;
}

// What the open ROM saved, the stock ROM loads and runs.
TEST_F(OpenRomDriveTest, TheStockRomLoadsWhatTheOpenRomSaved)
{
    REQUIRE_REAL_ROMS();
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HELLO", HelloProgram);
    disk.Save("disk.d64");
    ASSERT_EQ(Run("--disk disk.d64", Typed("LOAD\"HELLO\",8", 60) + Typed("SAVE\"SAVED\",8", 60)).exitCode, 0);
    scratch.CopyRealRoms();
    scratch.WriteText("settings", "SoundEmulation=0\n");
    RunnerResult stock = Run("--disk disk.d64", Typed("LOAD\"SAVED\",8", 100) + Typed("RUN") + "screen-text\n");
    ASSERT_EQ(stock.exitCode, 0) << stock.err;
    EXPECT_NE(stock.out.find("RUN\nHELLO FROM DISK\n"), std::string::npos) << stock.out;
}

TEST_F(OpenRomDriveTest, AbsentDevicesAnswerAtOnce)
{
    scratch.WriteFile("hello.prg", HelloProgram);
    RunnerResult run = Run("", "load hello.prg\n" + Typed("LOAD\"X\",8") + Typed("LOAD\"X\",1") + Typed("SAVE\"X\",4") +
                                   "screen-text\n" +
                                   Typed("$") + Typed("LOAD\"X\",3") + Typed("LOAD") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("LOAD\"X\",8\nSEARCHING FOR X\nLOADING\n?DEVICE NOT PRESENT ERROR\nREADY.\n"
                           "LOAD\"X\",1\nSEARCHING FOR X\nLOADING\n?DEVICE NOT PRESENT ERROR\nREADY.\n"
                           "SAVE\"X\",4\nSAVING X\n?DEVICE NOT PRESENT ERROR\nREADY.\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("$\n?DEVICE NOT PRESENT ERROR\nREADY.\n"
                           "LOAD\"X\",3\nSEARCHING FOR X\nLOADING\n?ILLEGAL DEVICE NUMBER ERROR\nREADY.\n"
                           "LOAD\n?MISSING FILE NAME ERROR\nREADY.\n"),
              std::string::npos)
        << run.out;
}

TEST_F(OpenRomDriveTest, AMissingFileIsNotFound)
{
    TestDisk::Blank().Save("disk.d64");
    RunnerResult run = Run("--disk disk.d64", Typed("LOAD\"NOPE\",8", 60) + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("LOAD\"NOPE\",8\nSEARCHING FOR NOPE\nLOADING\n?FILE NOT FOUND ERROR\nREADY.\n"),
              std::string::npos)
        << run.out;
}

}  // namespace
