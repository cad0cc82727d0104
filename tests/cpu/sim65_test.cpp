// Our processor against an independent 6502: C programs compiled by cc65 for
// its simulator run under sim65 and under run6502 (our interpreter, memory
// map and a harness serving the simulator's calls).  Output, exit code and
// cycle count must agree.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "support/test_support.h"

namespace {

bool CommandAvailable(const std::string& name)
{
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command, returning its exit code (-1 when it did not exit).
int Shell(const std::string& command)
{
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string ProgramSources = std::string(RAVLIN_SOURCE_DIR) + "/tests/programs/";
const std::string Run6502 = std::string(RAVLIN_BINARY_DIR) + "/run6502";

#define REQUIRE_CC65()                                                                                \
    do {                                                                                              \
        if (!CommandAvailable("cl65") || !CommandAvailable("sim65"))                                  \
            GTEST_SKIP() << "cc65's cl65 and sim65 are not installed (Debian package cc65); skipping " \
                            "the comparison with sim65";                                              \
    } while (0)

// Compiles tests/programs/<name>.c into <name>.prg in the current directory
// (a copy of the source, since cl65 leaves its object file beside it).
void Compile(const std::string& name)
{
    // The simulator's own default layout: zero page from 0, RAM up to 0xFFF0.
    std::string command = "cp " + ProgramSources + name + ".c . && cl65 -t sim6502 -O -o " + name + ".prg " +
                          name + ".c > " + name + ".build 2>&1";
    ASSERT_EQ(Shell(command), 0) << "cl65 failed for " << name;
}

struct ProgramRun {
    std::string output;
    int exitCode;
    std::string cycles;
};

struct Program {
    const char* name;
    const char* arguments;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }

class AgainstSim65 : public ::testing::TestWithParam<Program> {};

TEST_P(AgainstSim65, SameOutputExitCodeAndCycles)
{
    REQUIRE_CC65();
    ScratchDirectory dir;
    const Program& program = GetParam();
    std::string name = program.name;
    Compile(name);
    if (HasFatalFailure())
        return;
    std::string image = name + ".prg " + program.arguments;

    int simCode = Shell("sim65 -c " + image + " > sim.out 2> sim.err");
    int ourCode = Shell(Run6502 + " --cycles " + image + " > our.out 2> our.err");

    // sim65 -c appends "N cycles" to the program's output; run6502 prints
    // it to standard error.
    std::string simOutput = dir.ReadText("sim.out");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(simOutput, match, std::regex("([0-9]+) cycles\n$"))) << simOutput;
    std::string simCycles = match[1];
    simOutput.erase(static_cast<size_t>(match.position(0)));
    std::string ourErrors = dir.ReadText("our.err");
    ASSERT_TRUE(std::regex_search(ourErrors, match, std::regex("^([0-9]+) cycles\n$"))) << ourErrors;

    EXPECT_EQ(dir.ReadText("our.out"), simOutput);
    EXPECT_EQ(ourCode, simCode);
    EXPECT_EQ(std::string(match[1]), simCycles);
    EXPECT_GT(simOutput.size(), 50u) << "the program printed too little to be a test";
}

INSTANTIATE_TEST_SUITE_P(Programs, AgainstSim65,
                         ::testing::Values(Program{"strings", "hello \"two words\" x"}, Program{"arith", ""},
                                           Program{"recursion", ""}, Program{"sort", ""},
                                           Program{"checksum", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// How a run ends when the program does not: sim65's codes, 127 for an image
// that cannot be loaded or a processor that cannot go on, 126 out of time,
// which a script tells from a program's own exit(1).
struct Failure {
    const char* name;
    const char* source;    // C source built with cl65, else the file's text (nullptr: no file)
    bool compiled;
    const char* target;
    size_t keep;           // bytes of the built image kept (0: all)
    const char* options;   // for both simulators
    int simCode;           // what sim65 does
    int ourCode;
    const char* message;   // in run6502's standard error
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class Run6502Failure : public ::testing::TestWithParam<Failure> {};

const char* const ReturnsSeven = "int main(void) { return 7; }";

TEST_P(Run6502Failure, EndsWithSim65sCode)
{
    REQUIRE_CC65();
    ScratchDirectory dir;
    const Failure& failure = GetParam();
    if (failure.compiled) {
        dir.WriteText("case.c", failure.source);
        ASSERT_EQ(Shell(std::string("cl65 -t ") + failure.target + " -o case.prg case.c > build 2>&1"), 0);
        std::string cut = "head -c " + std::to_string(failure.keep) + " case.prg > cut && mv cut case.prg";
        ASSERT_TRUE(failure.keep == 0 || Shell(cut) == 0);
    } else if (failure.source) {
        dir.WriteText("case.prg", failure.source);
    }
    std::string arguments = std::string(" ") + failure.options + " case.prg > out 2> err";
    EXPECT_EQ(Shell("sim65" + arguments), failure.simCode);
    EXPECT_EQ(Shell(Run6502 + arguments), failure.ourCode);
    EXPECT_NE(dir.ReadText("err").find(failure.message), std::string::npos) << dir.ReadText("err");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Run6502Failure,
    ::testing::Values(
        Failure{"missing", nullptr, false, "", 0, "", 127, 127, "cannot open case.prg"},
        Failure{"empty", "", false, "", 0, "", 127, 127, "not a sim65 program image"},
        Failure{"junk", "not a program image", false, "", 0, "", 127, 127, "not a sim65 program image"},
        Failure{"header_cut", ReturnsSeven, true, "sim6502", 8, "", 127, 127, "not a sim65 program image"},
        // Code cut short runs into unset memory, as does BRK through its unset vector.
        Failure{"code_cut", ReturnsSeven, true, "sim6502", 40, "", 127, 127, "unset memory at $"},
        Failure{"brk", "int main(void) { __asm__(\"brk\"); return 0; }", true, "sim6502", 0, "", 127, 127,
                "BRK at $"},
        Failure{"jam",
                "static const unsigned char jam[] = {0x02};\n"
                "int main(void) { ((void (*)(void))jam)(); return 0; }\n",
                true, "sim6502", 0, "", 127, 127, "JAM opcode $02"},
        Failure{"exit_1", "int main(void) { return 1; }", true, "sim6502", 0, "", 1, 1, ""},
        Failure{"max_cycles",
                "int main(void) { unsigned long i; for (i = 0; i < 100000000UL; i++) { } return 0; }", true,
                "sim6502", 0, "-x 100000", 126, 126, "stopped after 1000"},
        // sim65 runs a jump to itself out of time; run6502 sees it never ends.
        Failure{"jump_to_itself", "int main(void) { __asm__(\"jmp *\"); return 0; }", true, "sim6502", 0,
                "-x 1000000", 126, 126, "loops for ever at $"},
        Failure{"cmos", ReturnsSeven, true, "sim65c02", 0, "", 7, 127, "built for the 65C02"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Run6502, RunsTheNmosRulesUnlessAskedForTheOlderModel)
{
    REQUIRE_CC65();
    ScratchDirectory dir;
    // PHP after PLP of $00, and $0A - $00 in decimal mode with carry set.
    dir.WriteText("nmos.c",
                  "#include <stdio.h>\n"
                  "static unsigned char pushed, difference;\n"
                  "int main(void) {\n"
                  "    __asm__(\"lda #$00\"); __asm__(\"pha\"); __asm__(\"plp\"); __asm__(\"php\");\n"
                  "    __asm__(\"pla\"); __asm__(\"sta %v\", pushed);\n"
                  "    __asm__(\"sed\"); __asm__(\"sec\"); __asm__(\"lda #$0A\"); __asm__(\"sbc #$00\");\n"
                  "    __asm__(\"cld\"); __asm__(\"sta %v\", difference);\n"
                  "    printf(\"%02X %02X\\n\", pushed, difference);\n"
                  "    return 0;\n"
                  "}\n");
    ASSERT_EQ(Shell("cl65 -t sim6502 -o nmos.prg nmos.c > build 2>&1"), 0) << dir.ReadText("build");
    EXPECT_EQ(Shell(Run6502 + " nmos.prg > out 2> err"), 0) << dir.ReadText("err");
    EXPECT_EQ(dir.ReadText("out"), "30 0A\n");
    EXPECT_EQ(Shell(Run6502 + " --accuracy 1 nmos.prg > out 2> err"), 0);
    EXPECT_EQ(dir.ReadText("out"), "30 0A\n");
    EXPECT_EQ(Shell(Run6502 + " --accuracy 0 nmos.prg > out 2> err"), 0);
    EXPECT_EQ(dir.ReadText("out"), "00 94\n");

    EXPECT_EQ(Shell(Run6502 + " --accuracy 2 nmos.prg > out 2> err"), 1);
    EXPECT_NE(dir.ReadText("err").find("usage"), std::string::npos);
    EXPECT_EQ(Shell(Run6502 + " > out 2> err"), 1);
    EXPECT_EQ(Shell(Run6502 + " --help > out 2> err"), 0);
    EXPECT_NE(dir.ReadText("out").find("--accuracy 0"), std::string::npos);
}

}  // namespace
