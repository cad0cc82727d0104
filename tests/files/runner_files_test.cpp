// The runner's file features end to end: ravlin-headless is run as a
// program in a scratch directory, as scripts and CI jobs use it.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/snapshot_file.h"
#include "files_fixture.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs the runner in dir with the given (already quoted) arguments, after
// the shell commands of `before`.  The time limit only guards against a hang.
RunResult RunRunner(const ScratchDirectory& dir, const std::string& arguments, const std::string& before = "")
{
    std::string command = "cd '" + dir.path + "' && " + before + "timeout 300 '" RAVLIN_BINARY_DIR "/ravlin-headless' " +
                          arguments + " >runner.out 2>runner.err";
    int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = dir.ReadText("runner.out");
    result.err = dir.ReadText("runner.err");
    fs::remove(dir.path + "/runner.out");
    fs::remove(dir.path + "/runner.err");
    return result;
}

std::vector<uint8_t> SnapshotRam(const std::vector<uint8_t>& snapshot)
{
    return std::vector<uint8_t>(snapshot.begin() + 72, snapshot.end());
}

uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

struct RunnerTinyRomTest : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override { scratch.WriteTinyRoms(); }
};

TEST_F(RunnerTinyRomTest, ScriptLoadsAndSaves)
{
    std::vector<uint8_t> data = PatternBytes(300, 3);
    scratch.WriteFile("my game.PRG", ProgramImage(0x2000, data));
    scratch.WriteText("files.script",
                      "frames 2\n"
                      "load my game.PRG\n"
                      "save-snapshot after load.fre\n"
                      "screenshot-window window shot.bmp\n"
                      "frames 1\n");
    RunResult run = RunRunner(scratch, "--script files.script --frames 3");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::vector<uint8_t> snapshot = ReadBinaryFile(scratch.path + "/after load.fre");
    ASSERT_EQ(snapshot.size(), SnapshotFileSize);
    std::vector<uint8_t> ram = SnapshotRam(snapshot);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), ram.begin() + 0x2000));
    for (size_t pair : {0x2D, 0x2F, 0x31, 0x9D})
        EXPECT_EQ(Word(ram, pair), 0x1001 + 300);

    std::vector<uint8_t> bmp = ReadBinaryFile(scratch.path + "/window shot.bmp");
    ASSERT_EQ(bmp.size(), 65078u);
    EXPECT_EQ(Word(bmp, 0), 0x4D42);
}

TEST_F(RunnerTinyRomTest, LoadOptionAndSnapshotAtTheEnd)
{
    scratch.WriteFile("game.pRg", ProgramImage(0x3000, {0xAB, 0xCD}));
    RunResult run = RunRunner(scratch, "--load game.pRg --save-snapshot end.fre --frames 1");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<uint8_t> ram = SnapshotRam(ReadBinaryFile(scratch.path + "/end.fre"));
    ASSERT_EQ(ram.size(), 0x10000u);
    EXPECT_EQ(ram[0x3000], 0xAB);
    EXPECT_EQ(ram[0x3001], 0xCD);
    EXPECT_EQ(Word(ram, 0x2D), 0x1003);
}

// A loaded snapshot takes over the processor: a RAM program counting in
// 0x4000 keeps counting, from the value the snapshot holds.
TEST_F(RunnerTinyRomTest, LoadedSnapshotRunsOn)
{
    std::vector<uint8_t> file(SnapshotFileSize, 0);
    file[2] = 1;
    file[4] = 0x00;                 // PC 0x3000
    file[5] = 0x30;
    file[8] = 0x04;                 // interrupts off
    file[24] = 0xFF;                // SP
    file[28 + 1] = 0x04;
    file[32] = 1;                   // ROM on
    const uint8_t loop[] = {0xEE, 0x00, 0x40, 0x4C, 0x00, 0x30};   // INC $4000; JMP $3000
    std::copy(std::begin(loop), std::end(loop), file.begin() + 72 + 0x3000);
    file[72 + 0x4000] = 0x10;
    scratch.WriteFile("count.FRE", file);

    // --frames counts from power-on; the load comes after the boot wait.
    RunResult run = RunRunner(scratch, "--load count.FRE --save-snapshot end.fre --frames 160");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<uint8_t> end = ReadBinaryFile(scratch.path + "/end.fre");
    ASSERT_EQ(end.size(), SnapshotFileSize);
    uint16_t pc = Word(end, 4);
    EXPECT_GE(pc, 0x3000);
    EXPECT_LT(pc, 0x3006);
    EXPECT_NE(end[72 + 0x4000], 0x10) << "the counting loop did not run";
    EXPECT_TRUE(std::equal(std::begin(loop), std::end(loop), end.begin() + 72 + 0x3000));
}

TEST_F(RunnerTinyRomTest, FailuresEndTheRunWithAMessage)
{
    fs::create_directory(scratch.path + "/taken.bmp");
    struct {
        const char* arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {"--load missing.prg --frames 1", 1, "missing.prg"},
        {"--load short.fre --frames 1", 1, "short.fre"},   // not the snapshot's size
        {"--load pipe.prg --frames 1", 1, "pipe.prg"},     // a fifo: refused, not waited on
        {"--load notes.txt", 2, "notes.txt"},
        {"--load", 2, "--load needs a file name"},
        {"--disk", 2, "--disk needs an image or a folder"},
        {"--disk short.d64", 1, "1000"},
        {"--run", 2, "--run needs --load with a .prg file"},
        {"--load x.fre --run", 2, "--run needs --load with a .prg file"},
        {"--save-snapshot 'no dir/x.fre' --frames 1", 1, "no dir/x.fre"},
        {"--script bad.script", 2, "bad.script:1: load needs a file name"},
        {"--script fails.script", 1, "taken.bmp"},
        {"--screenshot dangling.bmp", 1, "dangling.bmp: it is a symbolic link to " + scratch.path + "/gone.bmp, which does not exist"},
    };
    ASSERT_EQ(0, symlink("gone.bmp", (scratch.path + "/dangling.bmp").c_str()));
    scratch.WriteFile("short.d64", std::vector<uint8_t>(1000));
    scratch.WriteText("bad.script", "load\n");
    scratch.WriteFile("short.fre", std::vector<uint8_t>(40, 0x11));
    ASSERT_EQ(mkfifo((scratch.path + "/pipe.prg").c_str(), 0644), 0);
    scratch.WriteText("fails.script", "frames 1\nscreenshot-window taken.bmp\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        RunResult run = RunRunner(scratch, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(scratch.path + "/no dir"));
    EXPECT_TRUE(fs::is_directory(scratch.path + "/taken.bmp"));
    EXPECT_FALSE(fs::exists(scratch.path + "/gone.bmp"));
}

// Every output of the runner goes through the safe save: one that cannot be
// written ends the run with exit code 1 and leaves the earlier file whole.
// The writes fail on a full tmpfs where one can be mounted (as the
// superuser), and everywhere under a file size limit (the kernel refuses
// the write with EFBIG, as a full disk does with ENOSPC).
TEST_F(RunnerTinyRomTest, OutputsThatCannotBeWrittenKeepTheEarlierFile)
{
    const std::string outputs[] = {"--screenshot", "--wav", "--save-snapshot", "screenshot", "wav", "screen-text",
                                   "save-snapshot", "screenshot-window"};
    const std::vector<uint8_t> earlier(21, 'e');
    for (const std::string limit : {"", "trap '' XFSZ; ulimit -f 1; "}) {
        const std::string name = limit.empty() ? "full" : "limited", kept = scratch.path + "/" + name + "/kept";
        fs::create_directory(scratch.path + "/" + name);
        if (limit.empty() && mount("tmpfs", (scratch.path + "/full").c_str(), "tmpfs", 0, "size=16k") != 0)
            continue;   // not privileged: no full disk to try
        scratch.WriteFile(name + "/kept", earlier);
        if (limit.empty())
            std::ofstream(scratch.path + "/full/filler") << std::string(16384, 'f');   // fills the rest
        for (const std::string& output : outputs) {
            SCOPED_TRACE(name + " " + output);
            scratch.WriteText("out.script", "frames 3\n" + output + " " + kept + "\n");
            RunResult run = RunRunner(scratch, output[0] == '-' ? "--frames 3 " + output + " " + kept : "--script out.script", limit);
            EXPECT_EQ(run.exitCode, 1) << run.err;
            EXPECT_NE(run.err.find("cannot"), std::string::npos) << run.err;
            EXPECT_EQ(ReadBinaryFile(kept), earlier);
            EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path + "/" + name), fs::directory_iterator()),
                      limit.empty() ? 2 : 1);
        }
        if (limit.empty())
            umount((scratch.path + "/full").c_str());
    }
}

// ---- With the real ROMs -------------------------------------------------

struct RunnerRealRomTest : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override
    {
        if (RealRomDirectory().empty())
            GTEST_SKIP() << "real ROM images not found (set RAVLIN_ROM_DIR or put them in ../shared/roms)";
        scratch.CopyRealRoms();
    }
};

// A C program compiled for the Plus/4, loaded with --load and started with
// --run, prints its results on the machine's screen.
TEST_F(RunnerRealRomTest, CompiledProgramLoadsAndRuns)
{
    if (std::system("command -v cl65 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "cl65 (cc65) is not installed";
    fs::copy_file(RAVLIN_SOURCE_DIR "/tests/programs/files_arithmetic.c", scratch.path + "/arith.c");
    std::string compile = "cd '" + scratch.path + "' && cl65 -t plus4 -O -o arith.prg arith.c";
    ASSERT_EQ(std::system(compile.c_str()), 0);

    RunResult run = RunRunner(scratch, "--load arith.prg --run --frames 700 --screen-text");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("FIB(24)=46368"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("PRIMES BELOW 1000=168"), std::string::npos) << run.out;
}

// The numbers a BASIC loop prints, top to bottom.
std::vector<long> NumbersOnScreen(const std::string& text)
{
    std::vector<long> numbers;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && std::isdigit(static_cast<unsigned char>(line[start])))
            numbers.push_back(std::stol(line.substr(start)));
    }
    return numbers;
}

// A snapshot taken while a BASIC program runs, loaded into a freshly booted
// machine, continues the program: the screen shows what the uninterrupted
// machine shows after the same number of frames.
TEST_F(RunnerRealRomTest, SnapshotContinuesARunningBasicProgram)
{
    scratch.WriteText("first.script",
                      "frames 150\n"
                      "type 10 I=I+1:PRINT I:GOTO 10\\n\n"
                      "type RUN\\n\n"
                      "frames 100\n"
                      "save-snapshot middle.fre\n"
                      "screen-text at-save.txt\n"
                      "frames 100\n"
                      "screen-text uninterrupted.txt\n");
    RunResult first = RunRunner(scratch, "--script first.script");
    ASSERT_EQ(first.exitCode, 0) << first.err;

    scratch.WriteText("second.script",
                      "frames 150\n"
                      "load middle.fre\n"
                      "screen-text at-load.txt\n"
                      "frames 100\n"
                      "screen-text resumed.txt\n");
    RunResult second = RunRunner(scratch, "--script second.script");
    ASSERT_EQ(second.exitCode, 0) << second.err;

    std::string atSave = scratch.ReadText("at-save.txt");
    std::vector<long> before = NumbersOnScreen(atSave);
    ASSERT_GE(before.size(), 10u) << atSave;
    EXPECT_EQ(scratch.ReadText("at-load.txt"), atSave);

    std::string uninterrupted = scratch.ReadText("uninterrupted.txt");
    std::string resumed = scratch.ReadText("resumed.txt");
    std::vector<long> after = NumbersOnScreen(resumed);
    ASSERT_GE(after.size(), 10u) << resumed;
    // Consecutive numbers; one line may show twice when the picture is taken
    // while the KERNAL is scrolling the screen.
    int repeats = 0;
    for (size_t i = 1; i < after.size(); i++) {
        if (after[i] == after[i - 1])
            repeats++;
        else
            EXPECT_EQ(after[i], after[i - 1] + 1) << resumed;
    }
    EXPECT_LE(repeats, 1) << resumed;
    EXPECT_GT(after.front(), before.back()) << "the program did not carry on";
    EXPECT_EQ(resumed, uninterrupted);
}

}  // namespace
