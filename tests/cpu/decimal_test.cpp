// ADC and SBC through the instructions, binary and decimal, with the worked
// values of the arithmetic steps.
#include "flat_machine.h"

namespace {

using Arithmetic = FlatMachine;

struct Case {
    uint8_t opcode;  // 0x69 ADC #, 0xE9 SBC #
    bool decimal, carryIn;
    uint8_t ac, operand;
    uint8_t result;
    int c, z, n, v;  // -1: must be unchanged from the 0x40 set before
};

TEST_F(Arithmetic, OlderModelWorkedValues)
{
    UseOlderModel();
    const Case cases[] = {
        {0x69, true, true, 0x58, 0x46, 0x05, 1, 0, 0, 0},
        {0x69, true, false, 0x99, 0x01, 0x00, 1, 1, 0, 0},
        {0x69, true, false, 0x12, 0x34, 0x46, 0, 0, 0, 0},
        {0x69, true, false, 0x0F, 0x0F, 0x14, 0, 0, 0, 0},  // nibbles above 9 are accepted
        {0xE9, true, true, 0x10, 0x01, 0x09, 1, 0, 0, -1},
        {0xE9, true, true, 0x00, 0x01, 0x99, 0, 0, 1, -1},
        {0xE9, true, false, 0x46, 0x12, 0x33, 1, 0, 0, -1},
        {0x69, false, false, 0x7F, 0x01, 0x80, 0, 0, 1, 1},
        {0x69, false, true, 0xFF, 0x00, 0x00, 1, 1, 0, 0},
        {0xE9, false, true, 0x80, 0x01, 0x7F, 1, 0, 0, 1},
        {0xE9, false, false, 0x00, 0x00, 0xFF, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.opcode) << " " << int(c.ac) << " " << int(c.operand)
                                        << (c.decimal ? " decimal" : ""));
        Cpu.AC = c.ac;
        Cpu.FlagD = c.decimal;
        Cpu.FlagC = c.carryIn ? 0x80 : 0;  // any non-zero carry counts
        Cpu.FlagV = 0x40;
        Run(0x2000, {c.opcode, c.operand});
        EXPECT_EQ(Cpu.AC, c.result);
        EXPECT_EQ(OperandLatch, c.operand);
        EXPECT_EQ(Cpu.FlagC != 0, c.c == 1);
        EXPECT_EQ(Cpu.FlagZ != 0, c.z == 1);
        EXPECT_EQ(Cpu.FlagN != 0, c.n == 1);
        if (c.v < 0) {
            EXPECT_EQ(Cpu.FlagV, 0x40);
        } else {
            EXPECT_EQ(Cpu.FlagV != 0, c.v == 1);
        }
    }
}

TEST_F(Arithmetic, EveryAddressingModeReachesTheSameStep)
{
    // ADC and SBC in all eight modes, operand 0x25 everywhere, decimal on.
    Poke(0x0040, {0x00, 0x30});
    memory[0x0045] = 0x25;
    memory[0x3000] = 0x25;
    memory[0x3005] = 0x25;
    const std::vector<std::vector<uint8_t>> forms = {
        {0x61, 0x3B}, {0x65, 0x45}, {0x69, 0x25}, {0x6D, 0x00, 0x30},
        {0x71, 0x40}, {0x75, 0x40}, {0x79, 0x00, 0x30}, {0x7D, 0x00, 0x30},
    };
    for (uint8_t sbc : {0, 0x80}) {
        for (const auto& form : forms) {
            SCOPED_TRACE(form[0] + sbc);
            Cpu.XR = 5;  // (0x3B + 5) = 0x40; 0x40 + 5 = 0x45
            Cpu.YR = (form[0] & 0x1F) == 0x11 ? 0 : 5;
            Cpu.AC = 0x50;
            Cpu.FlagC = sbc ? 1 : 0;
            Cpu.FlagD = 1;
            std::vector<uint8_t> bytes = form;
            bytes[0] = static_cast<uint8_t>(bytes[0] + sbc);
            for (size_t i = 0; i < bytes.size(); i++)
                memory[0x2000 + i] = bytes[i];
            Cpu.PC = 0x2000;
            ExecuteInstruction();
            EXPECT_EQ(Cpu.AC, sbc ? 0x25 : 0x75);
            EXPECT_EQ(Cpu.PC, 0x2000 + bytes.size());
        }
    }
}

}  // namespace
