// Drive 8 as a 1541 running its own DOS ROM: BASIC's disk commands typed
// into ravlin-headless go through the KERNAL's serial bus code to the
// drive's processor, which reads and writes the GCR disk; the images are
// made and read back by the tests' own D64 code.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "support/drive_test_support.h"
#include "drive/g64_image.h"
#include "drive/gcr_d64.h"
#include "support/assemble.h"
#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

// 10 PRINT"HI THERE", saved at 0x1001.
const std::vector<uint8_t> HiProgram = {0x01, 0x10, 0x11, 0x10, 10, 0, 0x99, '"', 'H', 'I', ' ', 'T',
                                        'H', 'E', 'R', 'E', '"', 0, 0, 0};

struct Runner1541Test : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        scratch.CopyRealRoms();
        if (!scratch.CopyDriveRom())
            GTEST_SKIP() << "dos1541.bin not found beside the real ROM images";
        scratch.WriteText("settings", "SoundEmulation=0\n");
    }
    // The drive boots with the machine (its RAM test takes a second).
    RunnerResult Run(const std::string& options, const std::string& script)
    {
        scratch.WriteText("drive.script", "frames 100\n" + script);
        return RunHeadless(options + " --script drive.script");
    }
    // A line typed, and time for the drive: the motor, the head, the DOS.
    static std::string Typed(const std::string& line, int frames = 300)
    {
        return "type " + line + "\\n\nframes " + std::to_string(frames) + "\n";
    }
};

TEST_F(Runner1541Test, DirectoryLoadAndSaveGoThroughTheDrivesOwnDos)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HI", HiProgram);
    disk.Save("disk.d64");
    RunnerResult run = Run("--disk disk.d64", Typed("DIRECTORY") + "screen-text\n" + Typed("DLOAD\"HI\"") + Typed("RUN", 20) +
                                                  Typed("NEW", 20) + Typed("10 PRINT 7", 20) + Typed("DSAVE\"SEVEN\"") +
                                                  Typed("PRINT DS$", 100) + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {"0 \"TEST DISK       \" TD 2A", "1    \"HI\"               PRG", "663 BLOCKS FREE.",
                             "RUN\nHI THERE\n", "PRINT DS$\n00, OK,00,00\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    // The parallel port stays an empty socket: the KERNAL took the serial bus.
    EXPECT_EQ(run.out.find("73,CBM DOS V2.6 1551"), std::string::npos);
    const TestDisk image = TestDisk::FromFile("disk.d64");
    EXPECT_EQ(image.ReadFile("SEVEN"), std::vector<uint8_t>({0x01, 0x10, 0x09, 0x10, 10, 0, 0x99, ' ', '7', 0, 0, 0}));
    EXPECT_EQ(image.ReadFile("HI"), HiProgram);
    EXPECT_EQ(image.BamProblems(), "");
}

TEST_F(Runner1541Test, SequentialFileScratchAndValidate)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("GONE", HiProgram);
    disk.AddFile("KEPT", HiProgram);
    disk.Save("disk.d64");
    RunnerResult run =
        Run("--disk disk.d64", Typed("10 OPEN 2,8,2,\"DATA,S,W\":PRINT#2,\"ABC\":PRINT#2,123:CLOSE 2") +
                                   Typed("20 OPEN 3,8,3,\"DATA,S,R\":INPUT#3,A$,B:CLOSE 3:PRINT A$;B", 20) +
                                   Typed("RUN", 400) + Typed("OPEN 15,8,15,\"S0:GONE\":CLOSE 15") +
                                   Typed("OPEN 15,8,15,\"V0\":CLOSE 15", 600) + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("RUN\nABC 123\n"), std::string::npos) << run.out;
    const TestDisk image = TestDisk::FromFile("disk.d64");
    std::vector<std::string> names;
    for (const TestEntry& entry : image.Directory())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"KEPT", "DATA"}));
    EXPECT_EQ(image.ReadFile("DATA"), Bytes("ABC\r 123 \r"));
    EXPECT_EQ(image.BamProblems(), "");
}

// The program uploads its drive code with M-W, starts it with M-E and takes
// 256 bytes from it two bits at a time, timed to the cycle on both sides.
TEST_F(Runner1541Test, AFastLoaderOfOurOwnReceivesItsBytes)
{
    const std::vector<uint8_t> code = AssembleProgram(scratch, "fast_loader.s", 0x1001);
    if (code.empty())
        GTEST_SKIP() << "cl65 (cc65) not found";
    std::vector<uint8_t> program(code.size() + 2, 0x10);   // loaded at 0x1001
    program[0] = 0x01;
    std::copy(code.begin(), code.end(), program.begin() + 2);
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("FAST", program);
    disk.Save("disk.d64");
    // On both models: the older one times the machine's accesses by
    // whole instructions, which the protocol's margins allow.
    for (const char* accuracy : {"Accuracy=1\n", "Accuracy=0\n"}) {
        scratch.WriteText("settings", std::string("SoundEmulation=0\n") + accuracy);
        RunnerResult run = Run("--disk disk.d64", Typed("LOAD\"FAST\",8") + Typed("RUN", 200) + "screen-text\n");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("RUN\nFAST OK\n"), std::string::npos) << accuracy << run.out;
    }
}

// A D64 whose error bytes mark a sector bad, a disk without write
// permission, and the machine's reset reaching the drive.
TEST_F(Runner1541Test, ErrorBytesWriteProtectionAndTheResetLine)
{
    TestDisk damaged = TestDisk::Blank(35, true);
    damaged.AddFile("HI", HiProgram);
    damaged.AddFile("BAD", HiProgram);
    const TestEntry bad = damaged.Directory()[1];
    damaged.bytes[683 * 256 + (bad.track - 1) * 21 + bad.sector] = 5;   // 23: the data block's checksum
    damaged.Save("damaged.d64");
    TestDisk locked = TestDisk::Blank();
    locked.Save("locked.d64");
    chmod("locked.d64", 0444);
    RunnerResult run = Run("--disk damaged.d64",
                           Typed("LOAD\"BAD\",8", 1500) + Typed("PRINT DS$", 100) + Typed("DLOAD\"HI\"") +
                               Typed("RUN", 20) + "disk locked.d64\n" + Typed("DSAVE\"NEW\"") +
                               Typed("PRINT DS$", 100) + "screen-text\n" + "press F11\nframes 150\n" +
                               Typed("PRINT DS$", 200) + "screen-text reset.txt\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    char readError[40];
    std::snprintf(readError, sizeof readError, "PRINT DS$\n23,READ ERROR,%02d,%02d\n", bad.track, bad.sector);
    for (const std::string& line : {std::string(readError), std::string("RUN\nHI THERE\n"),
                                   std::string("PRINT DS$\n26, WRITE PROTECT ON,18,01\n")})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    EXPECT_EQ(TestDisk::FromFile("locked.d64").bytes, locked.bytes);
    EXPECT_NE(scratch.ReadText("reset.txt").find("PRINT DS$\n73,CBM DOS V2.6 1541,00,00\n"), std::string::npos)
        << scratch.ReadText("reset.txt");
}

// A G64 is written back as GCR: a file saved onto one reads back through
// the decoder, the other tracks as they were.
TEST_F(Runner1541Test, AG64ImageRoundTrip)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HI", HiProgram);
    GcrDisk gcr;
    ASSERT_TRUE(GcrDiskFromD64(disk.bytes, &gcr));
    scratch.WriteFile("disk.g64", G64FromGcrDisk(gcr));
    RunnerResult run = Run("--disk disk.g64", Typed("DLOAD\"HI\"") + Typed("RUN", 20) + Typed("DSAVE\"AGAIN\"") +
                                                  "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("RUN\nHI THERE\n"), std::string::npos) << run.out;
    GcrDisk saved;
    std::string problem;
    ASSERT_TRUE(GcrDiskFromG64(ReadBinaryFile("disk.g64"), &saved, &problem)) << problem;
    TestDisk back = TestDisk::Blank();
    ASSERT_TRUE(GcrDiskIntoD64(saved, back.bytes, false, &problem)) << problem;
    EXPECT_EQ(back.ReadFile("AGAIN"), HiProgram);
    EXPECT_EQ(back.ReadFile("HI"), HiProgram);
    EXPECT_EQ(back.BamProblems(), "");
}

// Drive8=0, or a folder, keeps the built-in drive on the parallel port
// whether or not the 1541's ROM is there.
TEST_F(Runner1541Test, Drive8ZeroAndFoldersKeepTheBuiltInDrive)
{
    TestDisk::Blank().Save("disk.d64");
    std::filesystem::create_directory("folder");
    const std::string builtIn = "PRINT DS$\n73,CBM DOS V2.6 1551,00,00\n";
    scratch.WriteText("settings", "SoundEmulation=0\nDrive8=0\n");
    RunnerResult run = Run("--disk disk.d64", Typed("PRINT DS$", 20) + "screen-text\n");
    EXPECT_NE(run.out.find(builtIn), std::string::npos) << "Drive8=0\n" << run.out;
    scratch.WriteText("settings", "SoundEmulation=0\n");
    run = Run("--disk folder", Typed("PRINT DS$", 20) + "screen-text\n");
    EXPECT_NE(run.out.find(builtIn), std::string::npos) << "a folder\n" << run.out;
}

}  // namespace
