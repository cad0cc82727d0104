// Documented instructions where a plausible implementation goes wrong:
// addressing wraps, the stack frames of JSR/BRK/RTI, flag bytes, and
// read-modify-write reaching a register once.
#include "flat_machine.h"
#include "ted/ted_state.h"

namespace {

using Instructions = FlatMachine;

TEST_F(Instructions, OlderModelIndirectPointersDoNotWrapInsideTheirPage)
{
    UseOlderModel();
    // (zp),Y with the pointer at 0xFF takes its high byte from 0x0100.
    memory[0x00FF] = 0x34;
    memory[0x0000] = 0x56;  // where a wrapping pointer would look
    memory[0x0100] = 0x12;
    memory[0x1235] = 0xAB;
    Cpu.YR = 1;
    Run(0x2000, {0xB1, 0xFF});
    EXPECT_EQ(Cpu.AC, 0xAB);

    // (zp,X) with the pointer at 0xFF likewise.
    memory[0x1234] = 0xCD;
    Cpu.XR = 0xFF;
    Run(0x2000, {0xA1, 0x00});
    EXPECT_EQ(Cpu.AC, 0xCD);

    // JMP (0x12FF) takes the high byte from 0x1300.
    Poke(0x12FF, {0x78, 0x56});
    memory[0x1200] = 0x99;
    Run(0x2000, {0x6C, 0xFF, 0x12});
    EXPECT_EQ(Cpu.PC, 0x5678);
    EXPECT_EQ(LastCycle, 5);
}

// The chip keeps zero-page pointers inside page 0 and does not carry into
// the high byte of JMP's pointer.
TEST_F(Instructions, ChipPointersWrapInsideTheirPage)
{
    Poke(0x00FF, {0x34});
    Poke(0x0000, {0x56});        // where the pointers at 0xFF find their high byte
    Poke(0x0100, {0x12});        // where a pointer that carried would look
    Poke(0x0010, {0x00, 0x30});  // (0xF0 + 0x20) & 0xFF
    Poke(0x5634, {0xCD, 0xAB});
    Poke(0x3000, {0xEE});
    const struct { uint8_t opcode, operand, index, expected; } reads[] = {
        {0xB1, 0xFF, 1, 0xAB},      // LDA (0xFF),Y
        {0xA1, 0x00, 0xFF, 0xCD},   // LDA (0x00,X)
        {0xA1, 0xF0, 0x20, 0xEE},   // LDA (0xF0,X)
    };
    for (const auto& r : reads) {
        Cpu.XR = Cpu.YR = r.index;
        Run(0x2000, {r.opcode, r.operand});
        EXPECT_EQ(Cpu.AC, r.expected) << std::hex << int(r.opcode) << " " << int(r.operand);
    }
    Poke(0x12FF, {0x78, 0x56});
    Poke(0x1200, {0x99});
    Run(0x2000, {0x6C, 0xFF, 0x12});   // JMP (0x12FF)
    EXPECT_EQ(Cpu.PC, 0x9978);
}

TEST_F(Instructions, ZeroPageIndexingWrapsInPageZero)
{
    memory[0x0010] = 0x42;
    Cpu.XR = 0x20;
    Run(0x2000, {0xB5, 0xF0});  // LDA 0xF0,X
    EXPECT_EQ(Cpu.AC, 0x42);
    Cpu.YR = 0x20;
    Run(0x2000, {0xB6, 0xF0});  // LDX 0xF0,Y
    EXPECT_EQ(Cpu.XR, 0x42);
    Cpu.AC = 0x17;
    Cpu.XR = 0x30;
    Run(0x2000, {0x95, 0xF0});  // STA 0xF0,X
    EXPECT_EQ(memory[0x0020], 0x17);
    EXPECT_EQ(memory[0x0120], 0x00);
}

TEST_F(Instructions, JsrPushesItsLastByteAndRtsContinuesAfterIt)
{
    Cpu.SP = 0xFF;
    Run(0x1000, {0x20, 0x00, 0x30});
    EXPECT_EQ(Cpu.PC, 0x3000);
    EXPECT_EQ(memory[0x01FF], 0x10);
    EXPECT_EQ(memory[0x01FE], 0x02);
    EXPECT_EQ(Cpu.SP, 0xFD);
    EXPECT_EQ(LastCycle, 6);
    Run(0x3000, {0x60});
    EXPECT_EQ(Cpu.PC, 0x1003);
    EXPECT_EQ(Cpu.SP, 0xFF);
    EXPECT_EQ(LastCycle, 6);
}

TEST_F(Instructions, JsrReadsItsTargetAfterThePush)
{
    // Code in the stack page: the push overwrites the operand's high byte.
    Cpu.SP = 0x82;
    Run(0x0180, {0x20, 0x00, 0x30});
    EXPECT_EQ(memory[0x0182], 0x01);  // high byte of 0x0182 pushed over it
    EXPECT_EQ(memory[0x0181], 0x82);
    EXPECT_EQ(Cpu.PC, 0x0182);
}

TEST_F(Instructions, OlderModelBrkPushesTheBrkStatusFormAndTakesTheVector)
{
    UseOlderModel();
    Poke(0xFFFE, {0x00, 0x90});
    Cpu.FlagI = 0;
    Cpu.FlagB = 1;
    Cpu.FlagN = 0x80;
    Cpu.FlagC = 1;
    Run(0x2000, {0x00, 0xEA});
    EXPECT_EQ(memory[0x01FF], 0x20);
    EXPECT_EQ(memory[0x01FE], 0x02);
    EXPECT_EQ(memory[0x01FD], 0x80 | 0x30 | 0x01);  // bits 5 and 4 set, bit 2 clear
    EXPECT_EQ(Cpu.FlagB, 0);
    EXPECT_NE(Cpu.FlagI, 0);
    EXPECT_EQ(Cpu.PC, 0x9000);
    EXPECT_EQ(LastCycle, 7);

    // Taken even with FlagI set; bit 2 still clear in the pushed byte.
    Cpu.SP = 0xFF;
    Run(0x2000, {0x00});
    EXPECT_EQ(memory[0x01FD] & 0x04, 0);
}

TEST_F(Instructions, OlderModelRtiRestoresFlagBAndPhpPushesItBack)
{
    UseOlderModel();
    Cpu.SP = 0xFC;
    Poke(0x01FD, {0x10 | 0x08 | 0x01, 0x34, 0x12});  // B, D, C; return to 0x1234
    Run(0x2000, {0x40});
    EXPECT_EQ(Cpu.PC, 0x1234);
    EXPECT_EQ(Cpu.FlagB, 1);
    EXPECT_EQ(Cpu.FlagD, 1);
    EXPECT_EQ(Cpu.FlagC, 1);
    EXPECT_EQ(Cpu.FlagI, 0);
    EXPECT_EQ(OperandLatch, 0x19);
    EXPECT_EQ(LastCycle, 6);
    Run(0x1234, {0x08});  // PHP
    EXPECT_EQ(memory[0x01FF], 0x19);  // bit 5 clear, bit 4 = FlagB
    EXPECT_EQ(LastCycle, 3);
    Run(0x1235, {0x68});  // PLA
    EXPECT_EQ(Cpu.AC, 0x19);
}

// Accuracy=1, the default: the NMOS part keeps no B flag.  Bits 5 and 4 of
// a byte pushed by PHP or BRK are 1, BRK pushes the I flag as it was, and
// PLP and RTI ignore both bits.  Each program runs at 0x2000 (BRK's handler
// at 0x3000) until PC reaches stop.
TEST_F(Instructions, NmosStatusBytesPushedAndPulled)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> program, handler;
        uint16_t stop;
        int ac;  // the byte a PLA took, -1: not checked
        uint8_t flagI;
    };
    const Case cases[] = {
        {"LDA #$FF PHA PLP PHP PLA", {0xA9, 0xFF, 0x48, 0x28, 0x08, 0x68}, {}, 0x2006, 0xFF, 1},
        {"LDA #$00 PHA PLP PHP PLA", {0xA9, 0x00, 0x48, 0x28, 0x08, 0x68}, {}, 0x2006, 0x30, 0},
        {"LDA #$CF PHA PLP PHP PLA", {0xA9, 0xCF, 0x48, 0x28, 0x08, 0x68}, {}, 0x2006, 0xFF, 1},
        {"CLI BRK, handler PLA", {0x58, 0x00, 0xEA}, {0x68}, 0x3001, 0x30, 1},
        {"SEI BRK, handler PLA", {0x78, 0x00, 0xEA}, {0x68}, 0x3001, 0x34, 1},
        {"SEI SEC LDA #$80 BRK, handler PLA", {0x78, 0x38, 0xA9, 0x80, 0x00, 0xEA}, {0x68}, 0x3001, 0xB5, 1},
        // RTI after BRK: back with the interrupt-disable flag as it was.
        {"SEI BRK, handler RTI", {0x78, 0x00, 0xEA}, {0x40}, 0x2003, -1, 1},
        {"CLI BRK, handler RTI", {0x58, 0x00, 0xEA}, {0x40}, 0x2003, -1, 0},
        // RTI of $C3 to 0x200C, then PHP PLA.
        {"RTI of $C3, PHP PLA",
         {0xA9, 0x20, 0x48, 0xA9, 0x0C, 0x48, 0xA9, 0xC3, 0x48, 0x40, 0xEA, 0xEA, 0x08, 0x68}, {}, 0x200E, 0xF3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::fill(memory.begin(), memory.end(), 0);
        Poke(0xFFFE, {0x00, 0x30});
        for (size_t i = 0; i < c.program.size(); i++)
            memory[0x2000 + i] = c.program[i];
        for (size_t i = 0; i < c.handler.size(); i++)
            memory[0x3000 + i] = c.handler[i];
        Cpu = CpuRegisters{};
        Cpu.SP = 0xFF;
        Cpu.PC = 0x2000;
        for (int step = 0; step < 20 && Cpu.PC != c.stop; step++)
            ExecuteInstruction();
        ASSERT_EQ(Cpu.PC, c.stop);
        if (c.ac >= 0) {
            EXPECT_EQ(Cpu.AC, c.ac);
        }
        EXPECT_EQ(Cpu.FlagI != 0, c.flagI == 1);
        EXPECT_EQ(Cpu.FlagB, 0);
    }
}

// An interrupt pushes bit 5 as 1 and bit 4 as 0.  The 7501/8501 has no NMI
// input; the chip's NMI would push the same byte through the same entry.
TEST_F(Instructions, NmosInterruptEntryPushesBitFiveSetAndBitFourClear)
{
    Poke(0xFFFE, {0x00, 0x30});
    memory[0xFF0A] = 0x02;  // raster interrupt enabled
    memory[0xFF09] = 0x02;  // and requested
    Cpu.PC = 0x2000;
    Cpu.FlagN = 0x80;
    Cpu.FlagD = 1;
    Cpu.FlagC = 1;
    Cpu.FlagB = 1;  // left by a snapshot of the older model: not pushed
    LastCycle = 2;
    for (int step = 0; step < 5 && Cpu.PC == 0x2000; step++)
        InterruptCheck();
    ASSERT_EQ(Cpu.PC, 0x3000);
    EXPECT_EQ(memory[0x01FF], 0x20);
    EXPECT_EQ(memory[0x01FE], 0x00);
    EXPECT_EQ(memory[0x01FD], 0x80 | 0x20 | 0x08 | 0x01);
    EXPECT_NE(Cpu.FlagI, 0);

    Run(0x3000, {0x40});  // RTI: interrupts enabled again, no B flag kept
    EXPECT_EQ(Cpu.PC, 0x2000);
    EXPECT_EQ(Cpu.FlagI, 0);
    EXPECT_EQ(Cpu.FlagB, 0);
    EXPECT_EQ(Cpu.FlagN, 1);
}

TEST_F(Instructions, CompareSetsCarryNegativeAndZeroFromTheWideDifference)
{
    struct Case {
        uint8_t ac, operand;
        bool c, n, z;
    };
    const Case cases[] = {
        {0x10, 0x20, false, true, false}, {0x20, 0x10, true, false, false},
        {0x42, 0x42, true, false, true},  {0x00, 0xFF, false, false, false},
        {0xFF, 0x00, true, true, false},
    };
    for (const Case& c : cases) {
        Cpu.AC = Cpu.XR = Cpu.YR = c.ac;
        for (uint8_t opcode : {0xC9, 0xE0, 0xC0}) {
            Run(0x2000, {opcode, c.operand});
            EXPECT_EQ(Cpu.FlagC != 0, c.c) << std::hex << int(opcode) << " " << int(c.ac) << "-" << int(c.operand);
            EXPECT_EQ(Cpu.FlagN != 0, c.n);
            EXPECT_EQ(Cpu.FlagZ != 0, c.z);
        }
    }
}

TEST_F(Instructions, FlagBytesHoldTheTestedBits)
{
    Cpu.AC = 0x01;
    memory[0x0010] = 0xC0;
    Run(0x2000, {0x24, 0x10});  // BIT 0x10
    EXPECT_EQ(Cpu.FlagN, 0x80);
    EXPECT_EQ(Cpu.FlagV, 0x40);
    EXPECT_EQ(Cpu.FlagZ, 1);
    EXPECT_EQ(OperandLatch, 0xC0);

    Cpu.AC = 0x81;
    Run(0x2000, {0x0A});  // ASL A
    EXPECT_EQ(Cpu.FlagC, 0x80);
    EXPECT_EQ(Cpu.AC, 0x02);
    Cpu.AC = 0x80;
    Run(0x2000, {0x2A});  // ROL A, carry in from 0x80
    EXPECT_EQ(Cpu.AC, 0x01);
    EXPECT_EQ(Cpu.FlagC, 0x80);
    Run(0x2000, {0x6A});  // ROR A, carry 0x80 counts as set
    EXPECT_EQ(Cpu.AC, 0x80);
    EXPECT_EQ(Cpu.FlagC, 1);
    EXPECT_EQ(Cpu.FlagN, 0x80);
    Cpu.AC = 0x01;
    Run(0x2000, {0x4A});  // LSR A
    EXPECT_EQ(Cpu.AC, 0x00);
    EXPECT_EQ(Cpu.FlagC, 1);
    EXPECT_EQ(Cpu.FlagZ, 1);
    EXPECT_EQ(Cpu.FlagN, 0);
}

TEST_F(Instructions, TransfersAndTheStackPointer)
{
    Cpu.XR = 0x00;
    Cpu.FlagZ = 0;
    Cpu.FlagN = 0x80;
    Run(0x2000, {0x9A});  // TXS changes no flag
    EXPECT_EQ(Cpu.SP, 0x00);
    EXPECT_EQ(Cpu.FlagZ, 0);
    EXPECT_EQ(Cpu.FlagN, 0x80);
    EXPECT_EQ(LastCycle, 2);
    Run(0x2000, {0xBA});  // TSX does
    EXPECT_EQ(Cpu.FlagZ, 1);
    EXPECT_EQ(Cpu.FlagN, 0);

    // Pushing at SP 0 wraps within page 1.
    Cpu.AC = 0x5A;
    Run(0x2000, {0x48});
    EXPECT_EQ(memory[0x0100], 0x5A);
    EXPECT_EQ(Cpu.SP, 0xFF);
    Run(0x2000, {0x68});
    EXPECT_EQ(Cpu.SP, 0x00);
    EXPECT_EQ(Cpu.AC, 0x5A);
}

TEST_F(Instructions, ReadModifyWriteWritesTheRegisterOnceInTheOlderModelTwiceOnTheChip)
{
    // 0xFF09 clears the bits written as 1.  INC reads 0x02 | 0x25 = 0x27;
    // the chip writes 0x27 back first, which clears bit 1, then 0x28.  The
    // older model writes 0x28 once: bit 1 survives.
    memory[0xFF09] = 0x02;
    Run(0x2000, {0xEE, 0x09, 0xFF});
    EXPECT_EQ(memory[0xFF09], 0x00);
    UseOlderModel();
    memory[0xFF09] = 0x02;
    Run(0x2000, {0xEE, 0x09, 0xFF});
    EXPECT_EQ(memory[0xFF09], 0x02);
    Run(0x2000, {0x0F, 0x09, 0xFF});  // ASO: 0x27 << 1 = 0x4E clears bit 1
    EXPECT_EQ(memory[0xFF09], 0x00);
}

TEST_F(Instructions, StoresGoThroughTheMemoryMap)
{
    Cpu.AC = 0x34;
    Run(0x2000, {0x8D, 0x00, 0xFF});  // STA 0xFF00: timer 1 low, not stored
    Cpu.AC = 0x12;
    Run(0x2000, {0x8D, 0x01, 0xFF});
    EXPECT_EQ(Ted.Timer1Counter, 0x1234);
    Run(0x2000, {0x8D, 0x3E, 0xFF});  // ROM back on
    EXPECT_NE(Ted.RomEnabled, 0);
    Cpu.AC = 0x77;
    Run(0x2000, {0x85, 0x01});  // the processor port: RAM byte 1 stays
    EXPECT_EQ(memory[0x0001], 0x00);
}

TEST_F(Instructions, CodeRunsFromRomAndStoresReachTheRamBelow)
{
    // LDA #0x5A; STA 0xC100; LDA 0xC100 in the KERNAL window.
    const uint8_t code[] = {0xA9, 0x5A, 0x8D, 0x00, 0xC1, 0xAD, 0x00, 0xC1};
    std::copy(std::begin(code), std::end(code), KernalRom + 0x0010);
    KernalRom[0x0100] = 0x33;
    Ted.RomEnabled = 1;
    Cpu.PC = 0xC010;
    for (int i = 0; i < 3; i++)
        ExecuteInstruction();
    EXPECT_EQ(memory[0xC100], 0x5A);
    EXPECT_EQ(Cpu.AC, 0x33);  // the read sees the ROM
    EXPECT_EQ(Cpu.PC, 0xC018);
}

TEST_F(Instructions, ProgramCounterWrapsAtTheTopOfMemory)
{
    Ted.RomEnabled = 0;
    Poke(0x0000, {0x42});
    Cpu.PC = 0xFFFF;
    memory[0xFFFF] = 0xA9;  // LDA #imm with the operand at 0x0000
    ExecuteInstruction();
    EXPECT_EQ(Cpu.AC, 0x42);
    EXPECT_EQ(Cpu.PC, 0x0001);
}

}  // namespace
