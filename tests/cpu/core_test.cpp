// The core over a bus of the test's own: budgets, the cycle of each access,
// the IRQ input and the SO pin looked at by the core itself, jam and reset.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "cpu/core.h"

namespace {

uint8_t Memory[0x10000];
CpuCore Core;
struct Access {
    uint16_t address;
    uint64_t cycle;
    bool write;
};
std::vector<Access> Log;
uint16_t StopOnWriteTo = 0;   // a write there ends the run at once

struct TestBus {
    static constexpr bool Pins = true;
    static uint8_t Read(uint16_t address, uint64_t cycle)
    {
        Log.push_back({address, cycle, false});
        return Memory[address];
    }
    static void Write(uint16_t address, uint8_t value, uint64_t cycle)
    {
        Log.push_back({address, cycle, true});
        Memory[address] = value;
        if (StopOnWriteTo && address == StopOnWriteTo)
            Core.stopAt = cycle;
    }
};

struct CoreTest : ::testing::Test {
    void SetUp() override
    {
        std::fill(std::begin(Memory), std::end(Memory), 0xEA);   // NOP everywhere
        Memory[0xFFFE] = 0x00;
        Memory[0xFFFF] = 0x90;   // the interrupt handler at 0x9000
        Core = CpuCore{};
        Core.regs.SP = 0xFF;
        Core.regs.PC = 0x1000;
        Log.clear();
        StopOnWriteTo = 0;
    }
    void Poke(uint16_t address, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            Memory[address++] = b;
    }
    void RunUntil(uint64_t cycle)
    {
        Core.stopAt = cycle;
        ::Run<TestBus, true>(Core);
    }
};

// A run ends at the first instruction end at or past its budget, or at
// once when a bus access lowers the budget.
TEST_F(CoreTest, RunsToItsBudgetOrUntilABusAccessEndsIt)
{
    Poke(0x1000, {0xAD, 0x34, 0x12, 0x8D, 0x00, 0x20, 0xEE, 0x00, 0x30,   // LDA $1234, STA $2000, INC $3000
                  0x8D, 0x00, 0xD0});                                      // STA $D000, then NOPs
    RunUntil(5);   // LDA (4) then STA (4): 8
    EXPECT_EQ(Core.cycle, 8u);
    EXPECT_EQ(Core.regs.PC, 0x1006);
    // The data accesses on their cycles: the read and the store on the last.
    EXPECT_TRUE(Log[3].address == 0x1234 && Log[3].cycle == 3 && !Log[3].write);
    EXPECT_TRUE(Log.back().address == 0x2000 && Log.back().cycle == 7 && Log.back().write);
    Log.clear();
    RunUntil(0);   // one instruction whatever the budget
    // INC: read 3 before the end, the byte written back, then the result.
    ASSERT_EQ(Log.size(), 6u);
    EXPECT_TRUE(Log[3].cycle == 11 && !Log[3].write);
    EXPECT_TRUE(Log[4].cycle == 12 && Log[4].write && Log[5].cycle == 13 && Log[5].write);
    EXPECT_EQ(Memory[0x3000], 0xEB);
    StopOnWriteTo = 0xD000;
    RunUntil(1000);
    EXPECT_EQ(Core.cycle, 18u);
    EXPECT_EQ(Core.regs.PC, 0x100C);
}

// The IRQ input: seen when active before the start of an instruction's last
// cycle; CLI lets one more instruction run; a taken branch in its page looks
// a cycle earlier; the sequence pushes PC and the status with B clear.
TEST_F(CoreTest, TakesTheIrqAtTheLookOfTheNmosRules)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> code;
        uint64_t irqAt;
        uint16_t returnTo;   // the PC pushed
    };
    const Case cases[] = {
        {"NOP, active before its last cycle", {0xEA, 0xEA}, 0, 0x1001},
        {"NOP, active on its last cycle", {0xEA, 0xEA, 0xEA}, 1, 0x1002},
        {"CLI runs one more instruction", {0x58, 0xEA, 0xEA}, 0, 0x1002},
        {"taken branch in its page", {0xB0, 0x00, 0xEA, 0xEA}, 1, 0x1003},
    };
    for (const Case& c : cases) {
        SetUp();
        std::copy(c.code.begin(), c.code.end(), Memory + 0x1000);
        Core.regs.FlagI = c.code[0] == 0x58;
        Core.regs.FlagC = 1;
        Core.irq = 1;
        Core.irqAt = c.irqAt;
        for (int i = 0; i < 4 && Core.regs.PC < 0x9000; i++)
            RunUntil(0);
        EXPECT_EQ(Core.regs.PC, 0x9000) << c.what;
        EXPECT_EQ(Memory[0x01FF] << 8 | Memory[0x01FE], c.returnTo) << c.what;
        EXPECT_EQ(Memory[0x01FD] & 0x30, 0x20) << c.what;
        EXPECT_TRUE(Core.regs.FlagI) << c.what;
    }
}

TEST_F(CoreTest, SoPinSetsOverflowAtTheNextBoundary)
{
    Poke(0x1000, {0x50, 0xFE, 0xEA});   // BVC * : waits for the pin
    RunUntil(30);
    EXPECT_EQ(Core.regs.PC, 0x1000);
    Core.overflowPin = 1;
    RunUntil(Core.cycle + 4);   // the BVC that sees it clear, then the one that falls through
    EXPECT_EQ(Core.overflowPin, 0);
    EXPECT_TRUE(Core.regs.FlagV);
    EXPECT_EQ(Core.regs.PC, 0x1002);
}

TEST_F(CoreTest, JamStopsUntilReset)
{
    Poke(0x1000, {0x02});
    Memory[0xFFFC] = 0x00;
    Memory[0xFFFD] = 0xC0;
    Core.irq = 1;
    RunUntil(100);
    EXPECT_TRUE(Core.jammed);
    EXPECT_EQ(Core.regs.PC, 0x1000);
    RunUntil(100);
    EXPECT_GE(Core.cycle, 100u) << "time passes";
    EXPECT_EQ(Core.regs.PC, 0x1000) << "no interrupt wakes it";
    const uint64_t before = Core.cycle;
    ResetCore<TestBus>(Core);
    EXPECT_FALSE(Core.jammed);
    EXPECT_EQ(Core.cycle, before + 7);
    EXPECT_EQ(Core.regs.PC, 0xC000);
    EXPECT_EQ(Core.regs.SP, 0xFC);
    EXPECT_TRUE(Core.regs.FlagI);
}

}  // namespace
