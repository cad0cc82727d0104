// The open boot ROM as a user meets it in ravlin-headless: the start-up
// screen, cc65 programs (the project's own and cc65's samples) reading the
// same as under the stock ROMs, the screen editor's keys, LIST's keywords,
// and a long run of random keys and commands after which the command line
// still answers.  Without the real images everything runs on the open ROM
// alone; with them, the stock ROMs run the same programs side by side.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "support/headless_runner.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr char Notice[] = "No Commodore ROM images found: running Ravlin's open ROM";

struct OpenRomTest : ::testing::Test {
    ScratchDirectory scratch;
    bool stock = false;   // the real images are in the directory too
    void SetUp() override
    {
        stock = !RealRomDirectory().empty();
        if (stock)
            scratch.CopyRealRoms();
        UseOpenRom(true);
    }
    // With the real images present, OpenRom chooses between the two.
    void UseOpenRom(bool open) const
    {
        scratch.WriteText("settings", std::string("SoundEmulation=0\nOpenRom=") + (open ? "1" : "0") + "\n");
    }
    RunnerResult Script(const std::string& options, const std::string& script, int seconds = 120) const
    {
        scratch.WriteText("run.script", script);
        return RunHeadless(options + " --script run.script", seconds);
    }
    // Compiles C (and assembly) files with cl65 for the plus4 target into
    // NAME.prg; the objects go to the scratch directory.
    bool Compile(const std::vector<std::string>& sources, const std::string& name) const
    {
        std::string command = "cd " + ShellQuote(scratch.path) + " && cl65 -t plus4 -O -o " + name + ".prg";
        for (const std::string& source : sources) {
            fs::copy_file(source, scratch.path + "/" + fs::path(source).filename().string(),
                          fs::copy_options::overwrite_existing);
            command += " " + ShellQuote(fs::path(source).filename().string());
        }
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
};

// What a program put on the screen: the text from its RUN on, without the
// blank rows below (fewer or more as the banner above was shorter or longer).
std::string FromRun(const std::string& screen)
{
    size_t at = screen.find("RUN\n");
    std::string text = at == std::string::npos ? screen : screen.substr(at);
    while (text.size() >= 2 && text[text.size() - 2] == '\n')
        text.pop_back();
    return text;
}

// The screen without the lines that hold any of the words (timings that
// depend on how long the ROM's interrupt takes).
std::string Without(const std::string& text, const std::vector<std::string>& words)
{
    std::string kept, line;
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        line = text.substr(at, text.find('\n', at) - at);
        bool drop = false;
        for (const std::string& word : words)
            drop = drop || line.find(word) != std::string::npos;
        if (!drop)
            kept += line + "\n";
        if (text.find('\n', at) == std::string::npos)
            break;
    }
    return kept;
}

TEST(OpenRomStart, WithoutImagesTheRunnerShowsTheBannerAndReady)
{
    ScratchDirectory scratch;   // no images anywhere, no settings
    RunnerResult run = RunHeadless("--frames 300 --screen-text");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("\n\n")),
              " RAVLIN OPEN ROM FOR THE C16 AND PLUS/4\n KERNAL, EDITOR AND A COMMAND LINE\n (NO BASIC: TYPE HELP)");
    EXPECT_NE(run.out.find("(NO BASIC: TYPE HELP)\n\nREADY.\n"), std::string::npos) << run.out;
    // Said once on standard error.
    size_t first = run.err.find(Notice);
    EXPECT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(Notice, first + 1), std::string::npos) << run.err;
    // The open ROM has no tape code, so there is no datassette to put a tape in.
    run = RunHeadless("--tape new.tap --frames 10");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("new.tap: the open ROM has no tape support"), std::string::npos) << run.err;
}

// The top of memory (MEMSIZE, 0x37) follows the RAM: 0x4000 on the C16
// with 16 KiB, the I/O area at 0xFD00 on the 64 KiB models.
TEST(OpenRomStart, TheTopOfMemoryFollowsTheModel)
{
    for (const char model : {'0', '1', '2'}) {
        ScratchDirectory scratch;
        scratch.WriteText("settings", std::string("OpenRom=1\nSync=0\nModel=") + model + "\n");
        int exitCode = 0;
        ASSERT_TRUE(BootMachine() && RunMainLoop(&exitCode, 50));
        EXPECT_EQ(Ram64[0x37] | Ram64[0x38] << 8, model == '1' ? 0x4000 : 0xFD00) << model;
        ResetMachineToPowerOn();
    }
}

struct Cc65Case {
    const char* source;                // an absolute path, or one of cc65's samples
    const char* helpers;               // assembly linked with it, or empty
    const char* keys;                  // typed once the program runs
    int frames;
    const char* expected;              // on the open ROM's screen
    std::vector<std::string> timings;  // lines left out of the side-by-side comparison
};

TEST_F(OpenRomTest, Cc65ProgramsReadTheSameAsUnderTheStockRoms)
{
    if (std::system("command -v cl65 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "cl65 (cc65) is not installed";
    const std::string samples = "/usr/share/cc65/samples/";
    const std::vector<Cc65Case> cases = {
        {RAVLIN_SOURCE_DIR "/tests/programs/files_arithmetic.c", "", "", 700, "FIB(24)=46368\nPRIMES BELOW 1000=168\n", {}},
        {RAVLIN_SOURCE_DIR "/tests/programs/kernal_calls.c", "", "AB", 400,
         "PRINTF 1234 OK\nKEY A B\nCLOCK RAN\nSTATUS 73,CBM DOS V2.6 1551,00,00\n\nWROTE 32\nSTATUS 00, OK,00,00\n\n"
         "READ 32 SAME 1\nSTATUS 62,FILE NOT FOUND,00,00\n\nSAVE 0\nLOAD 32 SAME 1\n\nREADY.\n",
         {}},
        {RAVLIN_SOURCE_DIR "/tests/programs/jump_table.c", RAVLIN_SOURCE_DIR "/tests/programs/jump_table_calls.s", "",
         300,
         "RUN\n*CHROUT KEEPS X Y 1\nPLOT 0507\nSCREEN 1928\nMEMTOP PAGE FD\nGETIN 0000\nCLOCK 1\n"
         "OPEN KBD 0 SCREEN 0 AGAIN 2\nOPEN UNTIL 12 ERROR 1\nCHKIN CLOSED 3 CKOUT CLOSED 3\nCKOUT KEYBOARD 7\n"
         "OPEN PRINTER 0 ST 00 CLOSED ST 80\nLOAD PRINTER 5 ST 80\nLOAD SCREEN 9\nLOAD MISSING 4 ST 02\n"
         ".....\nSCREEN READ C8 C5 CC CC CF 20 20 AT 7\n\nREADY.\n",
         {}},
        // A line typed past the right edge is read whole (two rows).
        {RAVLIN_SOURCE_DIR "/tests/programs/line_input.c", "", "A123456789B123456789C123456789D123456789E1234\\n21\\n",
         400,
         "NAME? A123456789B123456789C123456789D123\n456789E1234\nHI [A123456789B123456789C123456789D12345\n"
         "6789E1234]\nNUMBER? 21\nN*2=42\n",
         {}},
        {"hello.c", "", "", 300, ".             .ELLO WORLD!             .\n", {}},
        {"enumdevdir.c", "", "", 300, "RUN\n.EVICE 8:\n", {}},
        {"sieve.c", "", "", 1500, "BETWEEN 2 AND 16384\n", {"IME USED"}},
    };
    for (const Cc65Case& c : cases) {
        std::string source = c.source[0] == '/' ? c.source : samples + c.source;
        if (!fs::exists(source)) {
            std::printf("[ NOTE     ] %s is not installed: skipped\n", source.c_str());
            continue;
        }
        std::vector<std::string> sources = {source};
        if (*c.helpers)
            sources.push_back(c.helpers);
        ASSERT_TRUE(Compile(sources, "prog")) << source;
        std::string script = "frames 60\nload prog.prg\nrun\nframes 20\n";
        if (*c.keys)
            script += std::string("type ") + c.keys + "\n";
        script += "frames " + std::to_string(c.frames) + "\nscreen-text\n";
        fs::remove_all(scratch.path + "/disk");
        fs::create_directory(scratch.path + "/disk");
        UseOpenRom(true);
        RunnerResult open = Script("--disk disk", script);
        ASSERT_EQ(open.exitCode, 0) << source << open.err;
        EXPECT_NE(open.out.find(c.expected), std::string::npos) << source << "\n" << open.out;
        if (!stock)
            continue;
        fs::remove_all(scratch.path + "/disk");
        fs::create_directory(scratch.path + "/disk");
        UseOpenRom(false);
        RunnerResult real = Script("--disk disk", script);
        ASSERT_EQ(real.exitCode, 0) << source << real.err;
        EXPECT_EQ(Without(FromRun(open.out), c.timings), Without(FromRun(real.out), c.timings)) << source;
    }
}

// Typing at READY.: the cursor keys, DEL and INST edit the row, CLEAR
// empties the screen, Return reads the line the cursor is on (two rows when
// it ran past the edge), a held key repeats.
TEST_F(OpenRomTest, TheScreenEditorEditsTheRowReturnReads)
{
    RunnerResult run = Script("", "frames 60\n"
                                  "type HELXO\nframes 30\n"
                                  "press LEFT\npress BACKSPACE\nhold LSHIFT\npress BACKSPACE\nrelease LSHIFT\ntype L\nframes 10\n"
                                  "press RETURN\n"
                                  "frames 20\ntype NEX\nframes 20\npress BACKSPACE\ntype W\nframes 10\npress RETURN\n"
                                  "frames 20\ntype SYS" + std::string(40, ' ') + "12\\n\nframes 20\n"
                                  "frames 20\nscreen-text\n"
                                  "hold LSHIFT\npress HOME\nrelease LSHIFT\n"
                                  "type A\nframes 10\nhold SPACE\nframes 60\nrelease SPACE\ntype B\nframes 10\n"
                                  "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // HELXO, Left, DEL (the X goes), Shift+DEL (INST: a space opens), L:
    // HELLO.
    EXPECT_NE(run.out.find("READY.\nHELLO\n?SYNTAX ERROR\nREADY.\nNEW\nREADY.\n"), std::string::npos) << run.out;
    // SYS, spaces past the right edge, 12: Return reads both rows.
    EXPECT_NE(run.out.find("\n   12\nBREAK\nREADY.\n"), std::string::npos) << run.out;
    // After CLEAR: A, a run of repeated spaces, B on the top row.
    std::string second = run.out.substr(run.out.find("NEW\nREADY.\n"));
    size_t a = second.find("\nA ");
    ASSERT_NE(a, std::string::npos) << second;
    size_t b = second.find('B', a);
    ASSERT_NE(b, std::string::npos) << second;
    EXPECT_GE(b - a, 6u) << "the held space repeats\n" << second;
}

// RAM of a snapshot file: its last 64 KiB.
std::vector<uint8_t> SnapshotRam(const std::string& path)
{
    std::vector<uint8_t> bytes = ReadBinaryFile(path);
    return bytes.size() < 0x10000 ? std::vector<uint8_t>() : std::vector<uint8_t>(bytes.end() - 0x10000, bytes.end());
}

// CTRL+3 (red), CTRL+9 / CTRL+0 (reverse on and off), C=+1 (orange) and a
// cursor key typed inside quotes (shown reversed) reach the screen's codes
// and attributes; Shift+C= switches the character set; a screen full of
// output scrolls up.
TEST_F(OpenRomTest, ColoursReverseQuotesCaseAndScrollingReachTheScreen)
{
    RunnerResult run = Script("", "frames 60\n"
                                  "hold LCTRL\npress 3\nrelease LCTRL\ntype AB\nframes 15\n"
                                  "hold LCTRL\npress 9\nrelease LCTRL\ntype CD\nframes 15\n"
                                  "hold LCTRL\npress 0\nrelease LCTRL\ntype E\nframes 10\n"
                                  "hold LALT\npress 1\nrelease LALT\ntype F\"\nframes 15\npress RIGHT\nframes 5\n"
                                  "hold LSHIFT\nhold LALT\nframes 4\nrelease LALT\nrelease LSHIFT\nframes 4\n"
                                  "save-snapshot typed.fre\n"
                                  "press RETURN\nframes 10\n"
                                  "type HELP\\n\nframes 40\ntype HELP\\n\nframes 40\ntype HELP\\n\nframes 40\n"
                                  "screen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<uint8_t> ram = SnapshotRam("typed.fre");
    ASSERT_EQ(ram.size(), 0x10000u);
    // Row 5, below READY.: A B, reversed C D, E F, the quote, reversed ].
    const uint8_t codes[] = {0x01, 0x02, 0x83, 0x84, 0x05, 0x06, 0x22, 0x9D};
    const uint8_t colours[] = {0x32, 0x32, 0x32, 0x32, 0x32, 0x48, 0x48, 0x48};
    for (int column = 0; column < 8; column++) {
        EXPECT_EQ(ram[0x0C00 + 5 * 40 + column], codes[column]) << "column " << column;
        EXPECT_EQ(ram[0x0800 + 5 * 40 + column], colours[column]) << "column " << column;
    }
    EXPECT_EQ(ram[0xFF13] & 0xFC, 0xD4) << "Shift+C= chose the lower-case set";
    // Three HELPs scroll the banner away; the last one ends at the bottom.
    EXPECT_EQ(run.out.find("RAVLIN OPEN ROM"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("NEW              FORGET THE PROGRAM\nREADY.\n\n"), std::string::npos) << run.out;
}

// LIST spells out BASIC 3.5's keywords; inside quotes bytes are themselves;
// a broken program ends the listing.
TEST_F(OpenRomTest, ListSpellsOutBasic35Keywords)
{
    // 10 COLOR 1,2:GRAPHIC 1:PRINT"(token of PRINT)"  20 DO:LOOP UNTIL X=1
    std::vector<uint8_t> program = {0x01, 0x10, 0x14, 0x10, 10, 0, 0xE7, ' ', '1', ',', '2', ':', 0xDE, ' ', '1', ':',
                                    0x99, '"', 0x99, '"', 0, 0x22, 0x10, 20, 0, 0xEB, ':', 0xEC, ' ', 0xFC, ' ', 'X',
                                    0xB2, '1', 0, 0, 0};
    scratch.WriteFile("keywords.prg", program);
    // 10 END, then 20 END linked back to line 10: a line whose link does not
    // lead forward is not listed, and the listing ends.
    std::vector<uint8_t> looping = {0x01, 0x10, 0x07, 0x10, 10, 0, 0x80, 0, 0x01, 0x10, 20, 0, 0x80, 0};
    scratch.WriteFile("looping.prg", looping);
    RunnerResult run = Script("", "frames 60\nload keywords.prg\ntype LIST\\n\nframes 40\nscreen-text\n"
                                  "load looping.prg\ntype LIST\\n\nframes 40\ntype HELP\\n\nframes 40\nscreen-text\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("LIST\n10 COLOR 1,2:GRAPHIC 1:PRINT\".\"\n20 DO:LOOP UNTIL X=1\nREADY.\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("LIST\n10 END\nREADY.\nHELP\n"), std::string::npos) << run.out;
}

// Random keys, modifiers and commands for thousands of frames with a disk
// attached: the machine never stops answering, and at the end the command
// line still reads a command and answers it.
TEST_F(OpenRomTest, RandomKeysAndCommandsLeaveTheCommandLineAnswering)
{
    // A disk with a program to load and run, and room to save.
    const std::vector<uint8_t> hello = {0x01, 0x10, 0x0B, 0x10, 0x0A, 0x00, 0x9E, '4', '1', '0', '9', 0x00, 0x00,
                                        0x00, 0xA9, 'H', 0x20, 0xD2, 0xFF, 0x60};
    fs::create_directory(scratch.path + "/disk");
    scratch.WriteFile("disk/hello.prg", hello);
    const char* keys[] = {"A",      "Z",    "Q",     "1",      "0",     "SPACE",  "RETURN", "UP",     "DOWN",
                          "LEFT",   "RIGHT", "HOME",  "BACKSPACE", "INSERT", "DELETE", "ESC",    "TAB",
                          "F1",     "F2",   "F3",    "F4",     "COMMA",  "PERIOD", "SLASH",  "SEMICOLON",
                          "EQUALS", "MINUS", "APOSTROPHE", "8", "9",   "2"};
    const char* modifiers[] = {"LSHIFT", "LCTRL", "LALT"};
    const char* commands[] = {"LOAD\"HELLO\",8", "RUN", "$", "DIRECTORY", "LIST", "NEW", "HELP",
                              "SAVE\"COPY\",8",  "LOAD\"*\",8,1", "LOAD\"NOTHERE\",8", "\"\"\"",
                              "LOAD\"X\",4", "SAVE", "PRINT 1"};
    std::mt19937 random(24);
    std::string script = "frames 60\n";
    int frames = 0;
    const int total = std::getenv("RAVLIN_ROM_FUZZ_FRAMES") ? std::atoi(std::getenv("RAVLIN_ROM_FUZZ_FRAMES")) : 20000;
    while (frames < total) {
        unsigned pick = random() % 10;
        if (pick < 6) {
            script += std::string("press ") + keys[random() % std::size(keys)] + " " + std::to_string(1 + random() % 4) + "\n";
            frames += 6;
        } else if (pick < 8) {
            const char* modifier = modifiers[random() % std::size(modifiers)];
            script += std::string("hold ") + modifier + "\npress " + keys[random() % std::size(keys)] + "\nrelease " +
                      modifier + "\n";
            frames += 6;
        } else if (pick < 9) {
            script += "press RETURN\ntype " + std::string(commands[random() % std::size(commands)]) + "\\n\nframes 30\n";
            frames += 100;
        } else {
            unsigned held = 10 + random() % 60;
            script += std::string("press ") + keys[random() % std::size(keys)] + " " + std::to_string(held) + "\n";
            frames += static_cast<int>(held);
        }
    }
    // Back to a clean row, then a command that must be answered.
    script += "frames 200\npress RETURN\npress RETURN\nhold LSHIFT\npress HOME\nrelease LSHIFT\nframes 10\n"
              "type HELP\\n\nframes 60\nscreen-text\n";
    RunnerResult run = Script("--disk disk", script, 600);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("HELP\nLOAD\"NAME\",8     LOAD AT THE START\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("NEW              FORGET THE PROGRAM\nREADY.\n"), std::string::npos) << run.out;
}

}  // namespace
