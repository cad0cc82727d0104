// The opcodes outside the documented set: the combined read-modify-write
// families, the AND-stores, the odd loads, the immediate combinations, the
// no-operations, the jams and the four opcodes that do nothing.
#include "flat_machine.h"

namespace {

using Undocumented = FlatMachine;

struct Outcome {
    uint8_t ac, memory;
    int c, n, z;  // -1: not checked
};

struct FamilyCase {
    const char* name;
    uint8_t opcode;  // the zero-page member
    uint8_t ac, memory;
    bool carryIn;
    Outcome expected;
};

TEST_F(Undocumented, OlderModelCombinedReadModifyWriteFamilies)
{
    UseOlderModel();  // RAD and INB as a plain add and subtract
    const FamilyCase cases[] = {
        {"ASO", 0x07, 0x00, 0x81, false, {0x02, 0x02, 1, 0, 0}},
        {"RAN", 0x27, 0xFF, 0x81, true, {0x03, 0x03, 1, 0, 0}},
        {"LSE", 0x47, 0xFF, 0x03, false, {0xFE, 0x01, 1, 1, 0}},
        {"RAD", 0x67, 0x01, 0x02, true, {0x82, 0x81, 0, 1, 0}},
        {"RAD", 0x67, 0xFF, 0x02, false, {0x00, 0x01, 0, 0, 1}},  // no carry into the add
        {"DEM", 0xC7, 0x05, 0x06, false, {0x05, 0x05, 1, 0, 1}},
        {"DEM", 0xC7, 0x05, 0x07, false, {0x05, 0x06, 0, 1, 0}},
        {"INB", 0xE7, 0x05, 0x05, true, {0xFF, 0x06, 0, 1, 0}},
        {"INB", 0xE7, 0x06, 0x05, false, {0x00, 0x06, 1, 0, 1}},  // no borrow in
    };
    for (const FamilyCase& c : cases) {
        for (uint8_t decimal : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + (decimal ? " decimal" : ""));
            Cpu.AC = c.ac;
            Cpu.FlagC = c.carryIn;
            Cpu.FlagD = decimal;
            Cpu.FlagV = 0x40;
            memory[0x0040] = c.memory;
            Run(0x2000, {c.opcode, 0x40});
            EXPECT_EQ(Cpu.AC, c.expected.ac);
            EXPECT_EQ(memory[0x0040], c.expected.memory);
            EXPECT_EQ(Cpu.FlagC != 0, c.expected.c == 1);
            EXPECT_EQ(Cpu.FlagN != 0, c.expected.n == 1);
            EXPECT_EQ(Cpu.FlagZ != 0, c.expected.z == 1);
            EXPECT_EQ(Cpu.FlagV, 0x40);
            EXPECT_EQ(Cpu.PC, 0x2002);
        }
    }
}

TEST_F(Undocumented, FamilyMembersUseTheirModes)
{
    // Each family's seven members on the same target through their own modes;
    // 0xD7 is indexed by XR on the chip, by YR in the older model.
    const uint8_t families[] = {0x03, 0x23, 0x43, 0x63, 0xC3, 0xE3};
    for (uint32_t accuracy : {1u, 0u})
    for (uint8_t base : families) {
        Config.Accuracy = accuracy;
        struct Member {
            uint8_t offset;
            uint8_t b1, b2;
            uint8_t length;
        };
        // XR = 4 and YR = 8 throughout; the target is 0x0048 or 0x3048.
        const Member members[] = {
            {0x00, 0x40, 0, 2},     // (zp,X): pointer 0x44
            {0x04, 0x48, 0, 2},     // zp
            {0x0C, 0x48, 0x30, 3},  // abs
            {0x10, 0x50, 0, 2},     // (zp),Y: pointer 0x50 -> 0x3040 + 8
            {0x14, 0x44, 0, 2},     // zp,X (zp,Y for 0xD7)
            {0x18, 0x40, 0x30, 3},  // abs,Y
            {0x1C, 0x44, 0x30, 3},  // abs,X
        };
        for (const Member& m : members) {
            uint8_t opcode = static_cast<uint8_t>(base + m.offset);
            SCOPED_TRACE(opcode);
            std::fill(memory.begin(), memory.end(), 0);
            Poke(0x0044, {0x48, 0x30});
            Poke(0x0050, {0x40, 0x30});
            Cpu.XR = 4;
            Cpu.YR = 8;
            uint8_t b1 = m.b1;
            if (opcode == 0xD7 && accuracy == 0)
                b1 = 0x40;  // indexed by YR
            uint16_t target = (m.length == 3 || m.offset == 0x00 || m.offset == 0x10) ? 0x3048 : 0x0048;
            memory[target] = 0x10;
            Run(0x2000, {opcode, b1, m.b2});
            EXPECT_NE(memory[target], 0x10) << "target not modified";
            EXPECT_EQ(Cpu.PC, 0x2000 + m.length);
        }
    }
}

TEST_F(Undocumented, OlderModelAndStores)
{
    UseOlderModel();
    Cpu.AC = 0xF0;
    Cpu.XR = 0x3C;
    Cpu.YR = 0x02;
    Cpu.FlagZ = 0;
    Cpu.FlagN = 0;
    Run(0x2000, {0x87, 0x10});  // AXR zp
    EXPECT_EQ(memory[0x0010], 0x30);
    Run(0x2000, {0x97, 0x10});  // AXY zp,Y
    EXPECT_EQ(memory[0x0012], 0x30);
    Poke(0x0040, {0x00, 0x30});  // (0x3C + 4) = 0x40
    Cpu.XR = 0x3C;
    Run(0x2000, {0x83, 0x04});  // AXX (zp,X)
    EXPECT_EQ(memory[0x3000], 0x30);
    Run(0x2000, {0x8F, 0x00, 0x31});  // AAX abs
    EXPECT_EQ(memory[0x3100], 0x30);
    EXPECT_EQ(Cpu.FlagZ, 0);
    EXPECT_EQ(Cpu.FlagN, 0);

    // AXI masks with the byte after the target, plus one.
    Poke(0x0060, {0x00, 0x32});
    memory[0x3203] = 0x1F;  // + 1 = 0x20
    Run(0x2000, {0x93, 0x60});
    EXPECT_EQ(memory[0x3202], 0x20);
    EXPECT_EQ(LastCycle, 6);

    // AXS: SP = AC AND XR, then the mask is the operand's low byte plus one.
    Cpu.SP = 0xFF;
    Run(0x2000, {0x9B, 0x0F, 0x33});  // 0x0F + 1 = 0x10
    EXPECT_EQ(Cpu.SP, 0x30);
    EXPECT_EQ(memory[0x3311], 0x10);
    EXPECT_EQ(LastCycle, 5);
}

TEST_F(Undocumented, Loads)
{
    memory[0x0010] = 0x80;
    Cpu.YR = 0x20;
    Run(0x2000, {0xB7, 0xF0});  // LDT zp,Y wraps to 0x0010
    EXPECT_EQ(Cpu.AC, 0x80);
    EXPECT_EQ(Cpu.XR, 0x80);
    EXPECT_EQ(Cpu.FlagN, 0x80);
    EXPECT_EQ(LastCycle, 4);

    memory[0x3010] = 0x0F;
    Cpu.SP = 0x3C;
    Cpu.YR = 0x10;
    Run(0x2000, {0xBB, 0x00, 0x30});  // TSA abs,Y
    EXPECT_EQ(Cpu.AC, 0x0C);
    EXPECT_EQ(Cpu.XR, 0x0C);
    EXPECT_EQ(Cpu.SP, 0x0C);
    EXPECT_EQ(Cpu.FlagN, 0);
    EXPECT_EQ(Cpu.FlagZ, 0);
}

TEST_F(Undocumented, ImmediateCombinations)
{
    struct Case {
        uint8_t opcode, ac, xr, operand;
        uint8_t expectAc, expectXr;
        int c, n, z;
    };
    const Case cases[] = {
        {0x0B, 0xC3, 0x00, 0x81, 0x81, 0x00, 1, 1, 0},  // ANN
        {0x2B, 0x43, 0x00, 0x81, 0x01, 0x00, 0, 0, 0},
        {0x4B, 0xFF, 0x00, 0x81, 0x40, 0x00, 1, 0, 0},  // ANL
        {0x4B, 0xFF, 0x00, 0x01, 0x00, 0x00, 1, 0, 1},
        {0x8B, 0x00, 0x0F, 0xFF, 0x0E, 0x0F, -1, 0, 0},  // TAN
        {0xAB, 0x00, 0x55, 0xFF, 0xEE, 0xEE, -1, 1, 0},  // ANX
        {0xCB, 0xFF, 0x0F, 0x10, 0xFF, 0xFF, 0, 1, 0},  // XAS
        {0xCB, 0x3F, 0x1F, 0x1F, 0x3F, 0x00, 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcode);
        Cpu.AC = c.ac;
        Cpu.XR = c.xr;
        Cpu.FlagC = 0;
        Run(0x2000, {c.opcode, c.operand});
        EXPECT_EQ(Cpu.AC, c.expectAc);
        EXPECT_EQ(Cpu.XR, c.expectXr);
        if (c.c >= 0) {
            EXPECT_EQ(Cpu.FlagC != 0, c.c == 1);
        }
        EXPECT_EQ(Cpu.FlagN != 0, c.n == 1);
        EXPECT_EQ(Cpu.FlagZ != 0, c.z == 1);
        EXPECT_EQ(Cpu.PC, 0x2002);
        EXPECT_EQ(LastCycle, 2);
    }

    // 0xEB is SBC immediate, decimal included.
    Cpu.AC = 0x10;
    Cpu.FlagC = 1;
    Cpu.FlagD = 1;
    Run(0x2000, {0xEB, 0x01});
    EXPECT_EQ(Cpu.AC, 0x09);
    Cpu.FlagD = 0;
    Cpu.AC = 0x10;
    Cpu.FlagC = 1;
    Run(0x2000, {0xEB, 0x01});
    EXPECT_EQ(Cpu.AC, 0x0F);
}

TEST_F(Undocumented, NoOperationsTouchNothingButPcAndCycles)
{
    struct Case {
        uint8_t opcode, length;
    };
    const Case cases[] = {
        {0x1A, 1}, {0x3A, 1}, {0x5A, 1}, {0x7A, 1}, {0xDA, 1}, {0xFA, 1}, {0x80, 2}, {0x82, 2},
        {0x89, 2}, {0xC2, 2}, {0xE2, 2}, {0x04, 2}, {0x44, 2}, {0x64, 2}, {0x14, 2}, {0x34, 2},
        {0x54, 2}, {0x74, 2}, {0xD4, 2}, {0xF4, 2}, {0x0C, 3}, {0x1C, 3}, {0x3C, 3}, {0x5C, 3},
        {0x7C, 3}, {0xDC, 3}, {0xFC, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcode);
        Cpu.AC = 0x11;
        Cpu.XR = 0x22;
        Cpu.YR = 0x33;
        Cpu.SP = 0x44;
        Cpu.FlagN = Cpu.FlagZ = Cpu.FlagC = Cpu.FlagV = 0;
        CpuRegisters before = Cpu;
        std::vector<uint8_t> memoryBefore = memory;
        Run(0x2000, {c.opcode, 0x09, 0xFF});  // would write to 0xFF09/0xFF2B if it stored
        Poke(0x2000, {0, 0, 0});
        memoryBefore[0x2000] = memoryBefore[0x2001] = memoryBefore[0x2002] = 0;
        EXPECT_EQ(Cpu.PC, 0x2000 + c.length);
        EXPECT_EQ(Cpu.AC, before.AC);
        EXPECT_EQ(Cpu.XR, before.XR);
        EXPECT_EQ(Cpu.YR, before.YR);
        EXPECT_EQ(Cpu.SP, before.SP);
        EXPECT_EQ(Cpu.FlagN | Cpu.FlagZ | Cpu.FlagC | Cpu.FlagV, 0);
        EXPECT_TRUE(memory == memoryBefore);
    }
}

TEST_F(Undocumented, OlderModelJamsStayPutAndOpenTheDoorToInterrupts)
{
    UseOlderModel();
    for (uint8_t opcode : {0x02, 0x12, 0x22, 0x32, 0x42, 0x52, 0x62, 0x72, 0x92, 0xB2, 0xD2, 0xF2}) {
        SCOPED_TRACE(opcode);
        Cpu.FlagI = 1;
        Ted.RasterIrqDue = 1;
        Cpu.AC = 0x12;
        Cpu.SP = 0xF0;
        Run(0x3000, {opcode, 0x00, 0x00});
        EXPECT_EQ(Cpu.PC, 0x3000);
        EXPECT_EQ(Cpu.FlagI, 0);
        EXPECT_EQ(Ted.RasterIrqDue, 0);
        EXPECT_EQ(LastCycle, 2);
        EXPECT_EQ(Cpu.AC, 0x12);
        EXPECT_EQ(Cpu.SP, 0xF0);
        ExecuteInstruction();
        EXPECT_EQ(Cpu.PC, 0x3000);
    }
}

TEST_F(Undocumented, OlderModelUnimplementedOpcodesChangeNothing)
{
    UseOlderModel();
    for (uint8_t opcode : {0x6B, 0x9C, 0x9E, 0x9F}) {
        SCOPED_TRACE(opcode);
        Run(0x2000, {0x20, 0x00, 0x30});  // JSR: 6 cycles
        ASSERT_EQ(LastCycle, 6);
        Cpu.AC = 0x5A;
        Cpu.XR = Cpu.YR = 0x01;
        Cpu.FlagI = 1;
        Ted.RasterIrqDue = 1;
        CpuRegisters before = Cpu;
        std::vector<uint8_t> memoryBefore = memory;
        memory[0x3000] = opcode;
        memoryBefore[0x3000] = opcode;
        memory[0x3001] = memoryBefore[0x3001] = 0xF0;
        memory[0x3002] = memoryBefore[0x3002] = 0x30;
        ExecuteInstruction();
        EXPECT_EQ(Cpu.PC, 0x3000);
        EXPECT_EQ(LastCycle, 6);
        EXPECT_TRUE(SameRegisters(before, Cpu));
        EXPECT_TRUE(memory == memoryBefore);
        EXPECT_EQ(Ted.RasterIrqDue, 1);
    }
}

}  // namespace

namespace {

// The chip's undocumented operations (Accuracy=1) against references
// written here, over every A and operand, carry and decimal flag, with
// three values of X (and S) where they take part.  RRA, ISC and 0xEB are in
// decimal_test.cpp with ADC and SBC.
struct ChipState {
    int a, x, s, m;   // m: the operand, and the memory byte after
    bool n, v, z, c, d;
    void NZ(int value) { n = value & 0x80, z = (value & 0xFF) == 0; }
    bool operator==(const ChipState&) const = default;
};

const struct {
    const char* name;
    uint8_t opcode;   // the form on 0x40 (zero page; LAS 0x0040,Y), or immediate
    bool usesX;
    void (*reference)(ChipState&);
} ChipOperations[] = {
    {"SLO", 0x07, false, [](ChipState& r) { r.c = r.m & 0x80, r.m = (r.m << 1) & 0xFF, r.a |= r.m, r.NZ(r.a); }},
    {"RLA", 0x27, false, [](ChipState& r) {
         const int m = r.m;
         r.m = ((m << 1) | r.c) & 0xFF, r.c = m & 0x80, r.a &= r.m, r.NZ(r.a);
     }},
    {"SRE", 0x47, false, [](ChipState& r) { r.c = r.m & 1, r.m >>= 1, r.a ^= r.m, r.NZ(r.a); }},
    {"SAX", 0x87, true, [](ChipState& r) { r.m = r.a & r.x; }},
    {"LAX", 0xA7, false, [](ChipState& r) { r.a = r.x = r.m, r.NZ(r.m); }},
    {"DCP", 0xC7, false, [](ChipState& r) { r.m = (r.m - 1) & 0xFF, r.c = r.a >= r.m, r.NZ(r.a - r.m); }},
    {"ANC", 0x0B, false, [](ChipState& r) { r.a &= r.m, r.NZ(r.a), r.c = r.n; }},
    {"ANC", 0x2B, false, [](ChipState& r) { r.a &= r.m, r.NZ(r.a), r.c = r.n; }},
    {"ALR", 0x4B, false, [](ChipState& r) { r.a &= r.m, r.c = r.a & 1, r.a >>= 1, r.NZ(r.a); }},
    {"ARR", 0x6B, false, [](ChipState& r) {
         // Decimal: each nibble of the AND corrected as ADC would.
         const int t = r.a & r.m, high = t >> 4, low = t & 15;
         r.a = (t >> 1) | (r.c << 7);
         if (!r.d) {
             r.NZ(r.a), r.c = r.a & 0x40, r.v = ((r.a >> 6) ^ (r.a >> 5)) & 1;
             return;
         }
         r.n = r.c, r.z = r.a == 0, r.v = (t ^ r.a) & 0x40, r.c = high + (high & 1) > 5;
         if (low + (low & 1) > 5)
             r.a = (r.a & 0xF0) | ((r.a + 6) & 0x0F);
         r.a = (r.a + (r.c ? 0x60 : 0)) & 0xFF;
     }},
    {"SBX", 0xCB, true, [](ChipState& r) { r.c = (r.a & r.x) >= r.m, r.x = ((r.a & r.x) - r.m) & 0xFF, r.NZ(r.x); }},
    {"LAS", 0xBB, true, [](ChipState& r) { r.a = r.x = r.s = r.m & r.s, r.NZ(r.a); }},
    {"ANE", 0x8B, true, [](ChipState& r) { r.a = (r.a | 0xEE) & r.x & r.m, r.NZ(r.a); }},
    {"LXA", 0xAB, false, [](ChipState& r) { r.a = r.x = (r.a | 0xEE) & r.m, r.NZ(r.a); }},
};

TEST_F(Undocumented, ChipOperationsAgainstTheirReferences)
{
    int failures = 0;
    for (const auto& op : ChipOperations) {
        const bool immediate = (op.opcode & 0x0F) == 0x0B && op.opcode != 0xBB;
        for (int x : op.usesX ? std::vector<int>{0xFF, 0x5A, 0x00} : std::vector<int>{0x5A})
        for (int flags = 0; flags < 4; flags++)
        for (int a = 0; a < 256; a++)
        for (int m = 0; m < 256 && failures < 10; m++) {
            // N, V and Z start as the operands' low bits: one that an
            // operation must leave shows if it changes.
            ChipState e{a, x, x, m, bool(m & 1), bool(m & 2), bool(a & 1), bool(flags & 1), bool(flags & 2)};
            Cpu.AC = static_cast<uint8_t>(a);
            Cpu.XR = Cpu.SP = static_cast<uint8_t>(x);
            Cpu.YR = 0;
            Cpu.FlagN = e.n, Cpu.FlagV = e.v, Cpu.FlagZ = e.z, Cpu.FlagC = e.c, Cpu.FlagD = e.d;
            memory[0x0040] = static_cast<uint8_t>(m);
            Run(0x2000, {op.opcode, static_cast<uint8_t>(immediate ? m : 0x40), 0x00});
            op.reference(e);
            e.m = immediate ? m : e.m;
            const ChipState got{Cpu.AC,          Cpu.XR,          Cpu.SP,          memory[0x0040], Cpu.FlagN != 0,
                                Cpu.FlagV != 0,  Cpu.FlagZ != 0,  Cpu.FlagC != 0,  e.d};
            if (!(got == e) && ++failures)
                ADD_FAILURE() << op.name << std::hex << " A=" << a << " X=" << x << " M=" << m << " flags " << flags
                              << ": got A=" << got.a << " X=" << got.x << " S=" << got.s << " M=" << got.m
                              << " NVZC=" << got.n << got.v << got.z << got.c << ", expected A=" << e.a << " X="
                              << e.x << " S=" << e.s << " M=" << e.m << " NVZC=" << e.n << e.v << e.z << e.c;
        }
    }
}

// SHA, SHX, SHY and TAS store the register AND the base's high byte plus
// one; when indexing carries into the next page that value is the high byte
// of the address written too.
TEST_F(Undocumented, ChipHighByteStoresAndTheirPageCrossing)
{
    // opcode, (zp),Y, indexed by X, the registers stored (A, X, Y)
    const struct { uint8_t opcode; bool indirect, byX; uint8_t registers; } stores[] = {
        {0x9F, false, false, 3}, {0x93, true, false, 3}, {0x9E, false, false, 2}, {0x9C, false, true, 4},
        {0x9B, false, false, 3},
    };
    for (const auto& s : stores)
    for (int base : {0x20F0, 0x12FF, 0x7F80, 0x3000})
    for (int index : {0x05, 0x10, 0x80, 0xFF})
    for (int regs : {0xFF, 0xA5, 0x3C}) {
        SCOPED_TRACE(testing::Message() << std::hex << int(s.opcode) << " base " << base << " index " << index
                                        << " registers " << regs);
        std::fill(memory.begin(), memory.end(), 0xAA);
        Poke(0x0040, {static_cast<uint8_t>(base), static_cast<uint8_t>(base >> 8)});
        const int a = regs, x = regs ^ 0x0F, y = regs ^ 0xF0;
        Cpu.AC = static_cast<uint8_t>(a);
        Cpu.XR = static_cast<uint8_t>(s.byX ? index : x);
        Cpu.YR = static_cast<uint8_t>(s.byX ? y : index);
        Run(0x4400, {s.opcode, static_cast<uint8_t>(s.indirect ? 0x40 : base), static_cast<uint8_t>(base >> 8)});
        const int value = (s.registers & 1 ? a : 0xFF) & (s.registers & 2 ? x : 0xFF) &
                          (s.registers & 4 ? y : 0xFF) & ((base >> 8) + 1);
        const uint16_t sum = static_cast<uint16_t>(base + index);
        const bool crossed = (sum >> 8) != (base >> 8);
        EXPECT_EQ(memory[crossed ? (value << 8) | (sum & 0xFF) : sum], value);
        EXPECT_TRUE(!crossed || value == sum >> 8 || memory[sum] == 0xAA) << "the uncarried address written";
        EXPECT_TRUE(s.opcode != 0x9B || Cpu.SP == (a & x));
    }
}

}  // namespace
