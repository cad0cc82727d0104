// The datassette end to end with the real ROMs: BASIC's SAVE and LOAD on
// device 1 run the KERNAL's own tape code in ravlin-headless, on tapes the
// machine records and on tapes the tests' own writer makes.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/headless_runner.h"
#include "support/test_support.h"
#include "support/kernal_tape_writer.h"
#include "tape/tap_image.h"

namespace {

// 10 PRINT"TAPE WORKS", saved at 0x1001.
const std::vector<uint8_t> TapeProgram = {0x01, 0x10, 0x13, 0x10, 10,  0,   0x99, '"', 'T', 'A', 'P', 'E',
                                          ' ',  'W',  'O',  'R',  'K', 'S', '"',  0,   0,   0};

struct RunnerTapeTest : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        scratch.CopyRealRoms();
        scratch.WriteText("settings", "SoundEmulation=0\n");
    }
    RunnerResult Run(const std::string& options, const std::string& script)
    {
        scratch.WriteText("tape.script", "frames 60\n" + script);
        return RunHeadless(options + " --script tape.script");
    }
    static std::string Typed(const std::string& line) { return "type " + line + "\\n\nframes 40\n"; }
};

TEST_F(RunnerTapeTest, SavedProgramLoadsBackFromTheRecordedTape)
{
    RunnerResult run = Run("--tape new.tap",
                           Typed("10 PRINT \"SAVED ON TAPE\"") + Typed("SAVE \"HELLO\"") + "screen-text\n" +
                               "tape record\nframes 1700\ntape stop\ntape rewind\nframes 150\n" + Typed("NEW") +
                               Typed("LOAD") + "tape play\nframes 2300\n" + Typed("RUN") + "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("PRESS PLAY & RECORD ON TAPE\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("SAVING HELLO\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("FOUND HELLO\nLOADING\nREADY.\nRUN\nSAVED ON TAPE\n"), std::string::npos) << run.out;

    // A valid C16 tape of half waves, as the KERNAL wrote them.
    const std::vector<uint8_t> file = ReadBinaryFile("new.tap");
    ASSERT_GT(file.size(), TapHeaderSize);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 12), "C16-TAPE-RAW");
    EXPECT_EQ(file[12], 2);   // version
    EXPECT_EQ(file[13], 2);   // C16 / Plus/4
    EXPECT_EQ(file[14], 0);   // PAL
    TapImage image;
    std::string problem;
    ASSERT_TRUE(ParseTapImage(file.data(), file.size(), &image, &problem)) << problem;
    // The leader: short half waves of about 240 us (the KERNAL's 212 ticks).
    for (size_t i = 10; i < 100; i++)
        EXPECT_NEAR(image.waves[i], 212, 8) << i;
}

// A data file: OPEN, PRINT# and CLOSE write its header and data blocks;
// STOP and REWIND at once still reach the KERNAL, which runs the motor;
// a program reads the file back with INPUT#.
TEST_F(RunnerTapeTest, DataFileWrittenAndReadBack)
{
    RunnerResult run = Run("--tape data.tap",
                           Typed("OPEN 1,1,1,\"NOTES\":PRINT#1,\"LINE ONE\":PRINT#1,\"LINE TWO\":CLOSE 1") +
                               "tape record\nframes 2500\ntape stop\ntape rewind\nframes 300\n" +
                               Typed("10 OPEN 1,1,0,\"NOTES\":INPUT#1,A$,B$:CLOSE 1:PRINT A$;\"/\";B$") +
                               Typed("RUN") + "tape play\nframes 2500\nscreen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("LINE ONE/LINE TWO\n"), std::string::npos) << run.out;
}

TEST_F(RunnerTapeTest, IndependentlyWrittenTapeLoadsAndRuns)
{
    for (uint8_t version : {1, 2}) {
        SCOPED_TRACE(int{version});
        KernalTapeWriter writer(version);
        writer.AddProgram("WRITTEN", TapeProgram);
        scratch.WriteFile("written.tap", writer.Image());
        RunnerResult run = RunHeadless("--load written.tap --run --frames 2400 --screen-text");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("FOUND WRITTEN\nLOADING\nREADY.\nRUN\nTAPE WORKS\n"), std::string::npos) << run.out;
    }
}

TEST_F(RunnerTapeTest, BadTapesAndKeysEndTheRunWithAMessage)
{
    scratch.WriteFile("c64.tap", {'C', '6', '4', '-', 'T', 'A', 'P', 'E', '-', 'R', 'A', 'W', 1, 0, 0, 0, 0, 0, 0, 0});
    RunnerResult bad = RunHeadless("--load c64.tap --frames 100");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("a C64 tape image"), std::string::npos) << bad.err;
    RunnerResult noTape = Run("", "tape play\n");
    EXPECT_EQ(noTape.exitCode, 1);
    EXPECT_NE(noTape.err.find("no tape is in the datassette"), std::string::npos) << noTape.err;
    RunnerResult malformed = Run("", "tape\n");
    EXPECT_EQ(malformed.exitCode, 2);
}

}  // namespace
