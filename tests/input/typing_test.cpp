// Typing at BASIC through the headless runner: keys reach the KERNAL's
// keyboard scan through the key map and the 0xFF08 latch.
#include <gtest/gtest.h>

#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

class Typing : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        dir.CopyRealRoms();
    }
    ScratchDirectory dir;
};

TEST_F(Typing, PrintShowsTheResultUnderTheCommand)
{
    RunnerResult r = RunHeadless("--type " + ShellQuote("PRINT 6*7\\n") + " --frames 400 --screen-text");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(LineAfter(r.out, "PRINT 6*7"), " 42") << r.out;
}

TEST_F(Typing, AProgramIsTypedListedAndRun)
{
    // Quotes and the semicolon need the machine's own key places.
    const std::string program =
        "10 FOR I=1 TO 3\\n"
        "20 PRINT \"LINE\";I*2\\n"
        "30 NEXT\\n"
        "LIST\\n"
        "RUN\\n";
    RunnerResult r = RunHeadless("--type " + ShellQuote(program) + " --frames 700 --screen-text");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string listing = "10 FOR I=1 TO 3\n20 PRINT \"LINE\";I*2\n30 NEXT\n";
    EXPECT_NE(r.out.find(listing + "LIST\n\n" + listing + "\nREADY.\nRUN\nLINE 2\nLINE 4\nLINE 6\n\nREADY.\n"),
              std::string::npos)
        << r.out;
}

TEST_F(Typing, EverySignTheRunnerTypesArrivesAsThatSign)
{
    const std::string signs = "!#$%&'()<>?[]@:;=*+-,./";
    RunnerResult r = RunHeadless("--type " + ShellQuote("\\n" + signs) + " --frames 400 --screen-text");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\n" + signs + "\n"), std::string::npos) << r.out;
}

TEST_F(Typing, ScriptKeysAndScreenTextIntoAFile)
{
    dir.WriteText("keys.script",
                  "# Shift held over a key gives its upper sign\n"
                  "frames 60\n"
                  "press H\n"
                  "frames 2\n"
                  "press I 4\n"
                  "frames 2\n"
                  "hold LSHIFT\n"
                  "press 1\n"
                  "release LSHIFT\n"
                  "frames 3\n"
                  "type  A B\n"
                  "frames 5\n"
                  "screen-text screen.txt\n");
    RunnerResult r = RunHeadless("--script keys.script --frames 0");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(dir.ReadText("screen.txt").find("\nHI! A B\n"), std::string::npos) << dir.ReadText("screen.txt");
}

// The window's test of the menus' Escape, through the runner's keys: the
// line holds exactly what was typed around them.
TEST_F(Typing, TypingAroundTheMenusAndTheDebuggerArrivesExactly)
{
    dir.WriteText("menus.script",
                  "type 123456\n"
                  "press LEFT\npress LEFT\npress LEFT\npress LEFT\n"
                  "press F8\nframes 5\npress ESC\ntype q\n"
                  "press F7\nframes 5\npress ESC\ntype a\n"
                  "hold LSHIFT\npress F8\nrelease LSHIFT\nframes 5\npress ESC\ntype b\n"
                  "press F9\nframes 5\npress ESC\ntype cdef\n"
                  "frames 5\n");
    RunnerResult r = RunHeadless("--script menus.script --frames 0 --screen-text");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("READY.\n12QABCDEF\n"), std::string::npos) << r.out;
}

// A script's type, load and run from power-on wait for BASIC, as --type
// and --load do.
TEST_F(Typing, ScriptTypingAndLoadingFromPowerOnWaitForBasic)
{
    // 10 PRINT "HELLO" at 0x1001.
    dir.WriteFile("hello.prg", {0x01, 0x10, 0x0F, 0x10, 0x0A, 0x00, 0x99, 0x20, 0x22, 'H', 'E', 'L', 'L', 'O', 0x22,
                                0x00, 0x00, 0x00});
    dir.WriteText("typed.script", "type PRINT 42\\n\nframes 20\n");
    RunnerResult r = RunHeadless("--script typed.script --frames 0 --screen-text");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(LineAfter(r.out, "PRINT 42"), " 42") << r.out;
    dir.WriteText("loaded.script", "load hello.prg\nrun\nframes 30\n");
    r = RunHeadless("--script loaded.script --frames 0 --screen-text");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(LineAfter(r.out, "RUN"), "HELLO") << r.out;
}

}  // namespace
