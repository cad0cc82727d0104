// The debugger on the real KERNAL, end to end in the headless machine: a
// breakpoint on the interrupt handler stops the running machine there, F8
// steps as the listing says, and F7 runs a subroutine to its return.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "cpu/registers.h"
#include "debugger/debugger.h"
#include "debugger_test_support.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "ted/memory_map.h"

namespace {

class RealKernalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        scratch.CopyRealRoms();
        scratch.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\n");
        ASSERT_TRUE(BootMachine());
        InstallTestGlyphs();   // the character set the tests read text with
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    // Runs the machine for about the given number of frames.
    void RunFrames(int frames)
    {
        int exitCode = 0;
        const uint64_t until = HeadlessTicks() + frames;
        for (long pass = 0; HeadlessTicks() < until && pass < 100000L * frames; pass++)
            ASSERT_TRUE(MainLoopPass(&exitCode));
    }
    ScratchDirectory scratch;
};

std::string Hex(unsigned value, int digits)
{
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

uint8_t HexDigitKey(char c)
{
    constexpr uint8_t digits[10] = {DIK_0, DIK_1, DIK_2, DIK_3, DIK_4, DIK_5, DIK_6, DIK_7, DIK_8, DIK_9};
    constexpr uint8_t letters[6] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F};
    return c <= '9' ? digits[c - '0'] : letters[c - 'A'];
}

// What one step did, read from the page before and after it.
struct Step {
    std::string listed;          // the first listed line before the step
    std::string secondAddress;   // the address of the line after it
    CpuRegisters before, after;
    uint8_t stackTop = 0;        // the byte last pushed, after the step
};

// The register changes an instruction's listing promises, for the kinds of
// instruction an interrupt handler starts with.  Returns "" when they hold.
std::string CheckStep(const Step& s)
{
    const std::string mnemonic = s.listed.substr(9, 3);
    const CpuRegisters& b = s.before;
    const CpuRegisters& a = s.after;
    const bool flow = mnemonic[0] == 'J' || mnemonic == "RTS" || mnemonic == "RTI" || mnemonic == "BRK" ||
                      (mnemonic[0] == 'B' && mnemonic != "BIT");
    if (!flow && Hex(a.PC, 4) != s.secondAddress)
        return "PC " + Hex(a.PC, 4) + " is not the next line " + s.secondAddress;
    if (mnemonic == "PHA" && (a.SP != static_cast<uint8_t>(b.SP - 1) || s.stackTop != b.AC))
        return "PHA did not push AC";
    if (mnemonic == "TXA" && a.AC != b.XR)
        return "TXA did not copy XR";
    if (mnemonic == "TYA" && a.AC != b.YR)
        return "TYA did not copy YR";
    if (mnemonic == "TAX" && a.XR != b.AC)
        return "TAX did not copy AC";
    if (mnemonic == "TAY" && a.YR != b.AC)
        return "TAY did not copy AC";
    if (mnemonic == "TSX" && a.XR != b.SP)
        return "TSX did not copy SP";
    if (s.listed.substr(13, 2) == "#$") {
        unsigned operand = std::stoul(s.listed.substr(15, 2), nullptr, 16);
        if ((mnemonic == "LDA" && a.AC != operand) || (mnemonic == "LDX" && a.XR != operand) ||
            (mnemonic == "LDY" && a.YR != operand) || (mnemonic == "AND" && a.AC != (b.AC & operand)))
            return mnemonic + " did not load its operand";
    }
    return "";
}

TEST_F(RealKernalTest, BreakpointOnTheInterruptHandlerThenStepAndStepOver)
{
    RunFrames(60);
    const uint16_t handler = static_cast<uint16_t>(ReadByte(0xFFFE) | (ReadByte(0xFFFF) << 8));
    const std::string handlerText = Hex(handler, 4);

    // Open the debugger, list the handler, set the breakpoint there, arm it
    // and leave.
    KeyScript first;
    first.Press(DIK_F5);
    for (char c : handlerText)
        first.Press(HexDigitKey(c));
    first.Press(DIK_RETURN);
    first.Press(DIK_F6);
    first.Press(DIK_B);
    first.Shot("armed");
    first.Press(DIK_ESCAPE);
    DebuggerRequest = 1;
    int exitCode = 0;
    first.Run([&] { ASSERT_TRUE(MainLoopPass(&exitCode)); });
    EXPECT_EQ(ReadCells(first.Picture("armed"), 0, 22, 25, 0x75, 0x00), "BREAKPOINT: " + handlerText + " ENABLED ");
    ASSERT_EQ(Breakpoint, handler);
    ASSERT_EQ(BreakpointEnabled, 1);

    // The machine runs on until the next interrupt reaches the handler, a
    // frame or two; the script waits longer than that.
    KeyScript second(30);
    second.Shot("stopped");
    std::vector<Step> steps;
    Step current;
    auto readPage = [&](const WindowPicture& p, Step& s) {
        s.listed = ReadCells(p, 6, 2, 34, 0x71, 0x00);
        s.secondAddress = ReadCells(p, 1, 3, 4, 0x71, 0x00);
    };
    // Five single steps, each checked against what the listing said.
    for (int i = 0; i < 5; i++) {
        second.At([&] {
            readPage(FrameBufferWindow(), current);
            current.before = Cpu;
        });
        second.Press(DIK_F8);
        second.At([&] {
            current.after = Cpu;
            current.stackTop = Ram64[0x100 + static_cast<uint8_t>(Cpu.SP + 1)];
            steps.push_back(current);
        });
        second.Wait(1);
    }
    // Then on with F8 until a JSR is listed first, and over it with F7.
    int jsrAt = -1;
    uint8_t stackAtJsr = 0;
    bool steppedOver = false;
    for (int i = 0; i < 150; i++) {
        second.At([&] {
            if (steppedOver)
                return;
            if (jsrAt < 0 && ReadByte(Cpu.PC) == 0x20) {
                jsrAt = Cpu.PC;
                stackAtJsr = Cpu.SP;
                HeadlessSetKey(DIK_F7, true);
                steppedOver = true;
            } else {
                HeadlessSetKey(DIK_F8, true);
            }
        });
        second.Wait(2);
        second.At([] {
            HeadlessSetKey(DIK_F7, false);
            HeadlessSetKey(DIK_F8, false);
        });
        second.Wait(6);
    }
    second.Shot("after");
    second.Press(DIK_ESCAPE);
    second.Run([&] {
        for (long pass = 0; pass < 2000000 && second.shots.count("after") == 0; pass++)
            ASSERT_TRUE(MainLoopPass(&exitCode));
    });

    const WindowPicture& stopped = second.Picture("stopped");
    EXPECT_EQ(ReadCells(stopped, 0, 2, 5, 0x71, 0x00), ">" + handlerText);
    EXPECT_EQ(ReadCells(stopped, 0, 20, 4, 0x44, 0x00), handlerText);

    ASSERT_EQ(steps.size(), 5u);
    for (const Step& s : steps) {
        EXPECT_EQ(CheckStep(s), "") << "stepping over \"" << s.listed << "\"";
        EXPECT_NE(std::memcmp(&s.before, &s.after, sizeof s.before), 0) << s.listed;
    }

    ASSERT_GE(jsrAt, 0) << "no JSR within 150 steps of the handler";
    // Back after the call, with the stack as it was.
    const WindowPicture& after = second.Picture("after");
    EXPECT_EQ(ReadCells(after, 0, 20, 4, 0x44, 0x00), Hex(static_cast<unsigned>(jsrAt + 3) & 0xFFFF, 4));
    EXPECT_EQ(ReadCells(after, 14, 20, 2, 0x44, 0x00), Hex(stackAtJsr, 2));
    EXPECT_EQ(ReadCells(after, 0, 2, 1, 0x71, 0x00), ">");
}

}  // namespace
