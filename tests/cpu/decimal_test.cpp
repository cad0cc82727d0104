// ADC and SBC through the instructions, binary and decimal: the NMOS chip's
// rules (Accuracy=1) against a reference model over every operand, and the
// older model's worked values (Accuracy=0).
#include "flat_machine.h"

namespace {

using Arithmetic = FlatMachine;

// The reference: the NMOS rules worked digit by digit, with V as a signed
// sum that leaves the range of a byte.
struct Outcome {
    uint8_t ac;
    bool n, v, z, c;
};

int Signed(int byte) { return static_cast<int8_t>(static_cast<uint8_t>(byte)); }
bool OutsideSignedByte(int value) { return value < -128 || value > 127; }

Outcome ReferenceAdc(int a, int m, int carry, bool decimal)
{
    int binary = a + m + carry;
    Outcome out{static_cast<uint8_t>(binary), (binary & 0x80) != 0,
                OutsideSignedByte(Signed(a) + Signed(m) + carry), (binary & 0xFF) == 0, binary > 0xFF};
    if (!decimal)
        return out;
    // Z stays the binary sum's; N and V come from the sum with only the low
    // digit adjusted.
    int low = (a & 15) + (m & 15) + carry;
    int lowCarry = low > 9 ? 1 : 0;
    if (lowCarry)
        low = (low + 6) & 15;
    int high = (a >> 4) + (m >> 4) + lowCarry;
    out.n = ((high * 16 + low) & 0x80) != 0;
    out.v = OutsideSignedByte(Signed(a & 0xF0) + Signed(m & 0xF0) + lowCarry * 16 + low);
    if (high > 9)
        high += 6;
    out.ac = static_cast<uint8_t>(high * 16 + low);
    out.c = high > 15;
    return out;
}

Outcome ReferenceSbc(int a, int m, int carry, bool decimal)
{
    int borrow = 1 - carry;
    int binary = a - m - borrow;
    Outcome out{static_cast<uint8_t>(binary), (binary & 0x80) != 0,
                OutsideSignedByte(Signed(a) - Signed(m) - borrow), (binary & 0xFF) == 0, binary >= 0};
    if (!decimal)
        return out;
    // Every flag stays the binary subtraction's; a digit that borrowed
    // borrows ten.
    int low = (a & 15) - (m & 15) - borrow;
    int lowBorrow = low < 0 ? 1 : 0;
    int high = (a >> 4) - (m >> 4) - lowBorrow;
    low = (low + 10 * lowBorrow) & 15;
    high = (high + (high < 0 ? 10 : 0)) & 15;
    out.ac = static_cast<uint8_t>(high * 16 + low);
    return out;
}

bool IsDecimal(int byte) { return (byte & 15) < 10 && (byte >> 4) < 10; }
int FromDecimal(int byte) { return (byte >> 4) * 10 + (byte & 15); }
int ToDecimal(int value) { return (value / 10) * 16 + value % 10; }

// ADC and SBC themselves, and the undocumented opcodes built on them.  For
// the read-modify-write ones, m is the byte at 0x0040 before the modify
// step and memoryAfter what it becomes.
struct Form {
    const char* name;
    uint8_t opcode;  // an immediate or a zero-page form on 0x40
    bool modifies;
    Outcome (*reference)(int a, int m, int carry, bool decimal, int& memoryAfter);
};

const Form Forms[] = {
    {"ADC #", 0x69, false, [](int a, int m, int c, bool d, int&) { return ReferenceAdc(a, m, c, d); }},
    {"SBC #", 0xE9, false, [](int a, int m, int c, bool d, int&) { return ReferenceSbc(a, m, c, d); }},
    {"SBC # (0xEB)", 0xEB, false, [](int a, int m, int c, bool d, int&) { return ReferenceSbc(a, m, c, d); }},
    {"RRA zp (RAD)", 0x67, true,
     [](int a, int m, int c, bool d, int& after) {
         after = (m >> 1) | (c << 7);  // the rotate's carry goes into the ADC
         return ReferenceAdc(a, after, m & 1, d);
     }},
    {"ISC zp (INB)", 0xE7, true,
     [](int a, int m, int c, bool d, int& after) {
         after = (m + 1) & 0xFF;
         return ReferenceSbc(a, after, c, d);
     }},
};

TEST_F(Arithmetic, NmosRulesForEveryOperandCarryAndMode)
{
    // Accuracy=1, the default.
    auto text = [](const Outcome& o, int memoryByte) {
        return testing::Message() << std::hex << "A=" << int(o.ac) << " NVZC=" << int(o.n) << int(o.v) << int(o.z)
                                  << int(o.c) << " memory " << memoryByte;
    };
    int failures = 0;
    for (const Form& form : Forms) {
        for (bool decimal : {true, false}) {
            for (int carry = 0; carry < 2 && failures < 10; carry++) {
                for (int a = 0; a < 256 && failures < 10; a++) {
                    for (int m = 0; m < 256 && failures < 10; m++) {
                        int memoryAfter = m;
                        Outcome e = form.reference(a, m, carry, decimal, memoryAfter);
                        Cpu.AC = static_cast<uint8_t>(a);
                        Cpu.FlagD = decimal;
                        Cpu.FlagC = static_cast<uint8_t>(carry);
                        // Each flag starts opposite to its outcome, so one left alone shows.
                        Cpu.FlagN = !e.n;
                        Cpu.FlagV = !e.v;
                        Cpu.FlagZ = !e.z;
                        memory[0x0040] = static_cast<uint8_t>(m);
                        Run(0x2000, {form.opcode, static_cast<uint8_t>(form.modifies ? 0x40 : m)});
                        Outcome got{Cpu.AC, Cpu.FlagN != 0, Cpu.FlagV != 0, Cpu.FlagZ != 0, Cpu.FlagC != 0};
                        if (got.ac != e.ac || got.n != e.n || got.v != e.v || got.z != e.z || got.c != e.c ||
                            memory[0x0040] != memoryAfter) {
                            ADD_FAILURE() << form.name << (decimal ? " decimal" : " binary") << std::hex
                                          << " A=" << a << " M=" << m << " C=" << carry << ": got "
                                          << text(got, memory[0x0040]) << ", expected " << text(e, memoryAfter);
                            failures++;
                        }
                    }
                }
            }
        }
    }
}

TEST_F(Arithmetic, ReferenceAgreesWithDecimalArithmeticOnDecimalOperands)
{
    for (int a = 0; a < 100; a++) {
        for (int m = 0; m < 100; m++) {
            for (int c = 0; c < 2; c++) {
                int bcdA = ToDecimal(a), bcdM = ToDecimal(m);
                ASSERT_TRUE(IsDecimal(bcdA) && IsDecimal(bcdM));
                Outcome add = ReferenceAdc(bcdA, bcdM, c, true);
                ASSERT_EQ(FromDecimal(add.ac), (a + m + c) % 100);
                ASSERT_EQ(add.c, a + m + c > 99);
                Outcome sub = ReferenceSbc(bcdA, bcdM, c, true);
                ASSERT_EQ(FromDecimal(sub.ac), (a - m - (1 - c) + 100) % 100);
                ASSERT_EQ(sub.c, a - m - (1 - c) >= 0);
            }
        }
    }
}

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
        {0xE9, true, true, 0x0A, 0x00, 0x94, 0, 0, 1, -1},  // adjusted without a borrow (the chip: 0x0A)
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
