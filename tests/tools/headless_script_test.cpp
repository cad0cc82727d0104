// The headless runner's script language: its errors, and outputs taken at
// the emulated moment the script names.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

class HeadlessScript : public ::testing::Test {
protected:
    void SetUp() override { dir.WriteTinyRoms(); }
    ScratchDirectory dir;
};

struct BadScript {
    const char* text;
    std::string message;
};

const std::string Typable =
    "; it types letters, digits, space, ! \" # $ % & ' ( ) * + , - . / : ; < = > ? @ [ ] and \\n for RETURN";

TEST_F(HeadlessScript, MistakesAreReportedWithTheirLineBeforeAnythingRuns)
{
    const BadScript cases[] = {
        {"jump 3\n", "bad.script:1: unknown command 'jump'"},
        {"frames 2\n\n# note\npress SHIFT\n", "bad.script:4: unknown key 'SHIFT'"},
        {"frames\n", "bad.script:1: frames takes a whole number of frames up to 999999999"},
        {"frames -3\n", "bad.script:1: frames takes a whole number of frames up to 999999999"},
        {"frames 4294967296\n", "bad.script:1: frames takes a whole number of frames up to 999999999"},
        {"press A soon\n", "bad.script:1: press takes a key and a number of frames"},
        {"hold A B\n", "bad.script:1: hold takes one key"},
        {"screenshot\n", "bad.script:1: screenshot needs a file name"},
        {"wav   \n", "bad.script:1: wav needs a file name"},
        {"type 1~2\n", "bad.script:1: the machine's keyboard cannot type '~'" + Typable},
        {"type a\\tb\n", "bad.script:1: the machine's keyboard has no backslash" + Typable},
        {"type \xC3\xBC\n", "bad.script:1: the machine's keyboard cannot type '\xC3\xBC'" + Typable},
        {"frames 5\npress F12\n", "bad.script:2: F12 would quit the emulator mid-run: a run ends by itself once "
                                   "its script and frames are done"},
    };
    for (const BadScript& c : cases) {
        dir.WriteText("bad.script", c.text);
        RunnerResult r = RunHeadless("--script bad.script --wav never.wav");
        EXPECT_EQ(r.exitCode, 2) << c.text;
        EXPECT_EQ(r.err, std::string("ravlin-headless: ") + c.message + "\n") << c.text;
        EXPECT_FALSE(dir.Exists("never.wav"));
    }
}

TEST_F(HeadlessScript, CommandLineMistakesAreRefusedWithAMessage)
{
    dir.WriteFile("big.prg", std::vector<uint8_t>{0xF0, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
    ASSERT_EQ(std::system("mkdir folder"), 0);
    const struct {
        std::string arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {"--script missing.script", 2, "cannot read script missing.script"},
        {"--script folder", 2, "script folder is a directory"},
        {"--type " + ShellQuote("{"), 2, "the machine's keyboard cannot type '{'" + Typable},
        {"--frames 99999999999999999999", 2, "--frames takes a whole number of frames up to 999999999"},
        {"--load big.prg --frames 100", 1, dir.path + "/big.prg: too long: 17 bytes from $FFF0 run past $FFFF (16 fit)"},
    };
    for (const auto& c : cases) {
        RunnerResult r = RunHeadless(c.arguments + " --wav never.wav", 30);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(r.err, "ravlin-headless: " + c.message + "\n") << c.arguments;
    }
    RunnerResult help = RunHeadless("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: ravlin-headless", 0), 0u) << help.out;
}

TEST_F(HeadlessScript, OutputsAreTakenAtTheirFrame)
{
    dir.WriteText("outputs.script",
                  "frames 20\n"
                  "wav early.wav\n"
                  "screenshot picture.bmp\n"
                  "frames 10\n"
                  "wav late.wav\n");
    // A Sync past the last choice is the default's pacing, not a machine
    // that never ends a frame.  A frame's sound is 1/50 s with Accuracy=0,
    // a PAL frame with Accuracy=1, also the first (powered on part-way).
    for (int accuracy : {0, 1}) {
        dir.WriteText("settings", "Sync=5\nAccuracy=" + std::to_string(accuracy) + "\n");
        RunnerResult r = RunHeadless("--script outputs.script --frames 1000 --wav end.wav", 60);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        auto samples = [&](long frames) {
            return accuracy == 0 ? frames * 882 : static_cast<long>(frames * 17784 * 44100.0 / 886723.75);
        };
        EXPECT_EQ(ReadBinaryFile(dir.path + "/early.wav").size(), 44u + 2 * samples(20)) << accuracy;
        EXPECT_EQ(ReadBinaryFile(dir.path + "/late.wav").size(), 44u + 2 * samples(30)) << accuracy;
        EXPECT_EQ(ReadBinaryFile(dir.path + "/end.wav").size(), 44u + 2 * samples(1000)) << accuracy;
    }
    std::vector<uint8_t> bmp = ReadBinaryFile(dir.path + "/picture.bmp");
    ASSERT_GE(bmp.size(), 2u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
}

// The load menu moves the process into directory b (two Downs: two
// presses of one key stay two), where F6 then writes its picture; the
// script's own files still go where the runner started.
TEST_F(HeadlessScript, ScriptFilesStayWhereTheRunStartedAndPressesStaySeparate)
{
    for (const char* sub : {"a", "b"})
        ASSERT_EQ(std::system((std::string("mkdir ") + sub).c_str()), 0);
    dir.WriteText("walk.script",
                  "frames 5\n"
                  "press F8\n"
                  "press DOWN\n"
                  "press DOWN\n"
                  "press RETURN\n"
                  "press ESC\n"
                  "frames 3\n"
                  "press F6\n"
                  "frames 3\n"
                  "wav here.wav\n"
                  "screen-text here.txt\n"
                  "save-snapshot here.fre\n");
    RunnerResult r = RunHeadless("--script walk.script --screenshot end.bmp", 60);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(dir.Exists("b/output.bmp"));
    for (const char* name : {"here.wav", "here.txt", "here.fre", "end.bmp"})
        EXPECT_TRUE(dir.Exists(name)) << name;
}

// F4 and 2000 put PC on a JSR to a routine that never returns; F1 and F7
// step over it.  The script goes on meanwhile: Escape held stops the step,
// and the snapshot taken after it is where the routine spins.
TEST_F(HeadlessScript, AStepOverThatNeverReturnsLetsTheScriptGoOn)
{
    dir.WriteFile("loop.prg", {0x00, 0x20, 0x20, 0x03, 0x20, 0x4C, 0x03, 0x20});   // JSR $2003; JMP $2003
    dir.WriteText("over.script",
                  "load loop.prg\npress F9\nframes 2\npress F4\npress 2\npress 0\npress 0\npress 0\n"
                  "press F1\nframes 2\npress F7\nframes 20\nhold ESC\nframes 3\nrelease ESC\nframes 3\n"
                  "save-snapshot over.fre\n");
    RunnerResult r = RunHeadless("--script over.script", 60);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<uint8_t> snapshot = ReadBinaryFile(dir.path + "/over.fre");
    ASSERT_GE(snapshot.size(), 6u);
    EXPECT_EQ(snapshot[4] | (snapshot[5] << 8), 0x2003);
}

}  // namespace
