// The three timers and the interrupt logic: reload rules per clock rate,
// free running, acknowledge, and the one-step latency of the interrupt.
#include "cpu/cpu.h"
#include "ted/memory_map.h"
#include "ted_fixture.h"

namespace {

class TimerTest : public TedTest {
protected:
    void SetUp() override
    {
        TedTest::SetUp();
        Ted.Timer1Running = Ted.Timer2Running = Ted.Timer3Running = 0;
        Ted.Timer1Counter = Ted.Timer2Counter = Ted.Timer3Counter = 0xFFFF;
    }
    static void TimerStepOf(uint16_t cycles)
    {
        LastCycle = cycles;
        TimerStep();
    }
    static uint8_t Requests() { return Ram64[0xFF09]; }
};

struct Timer1Case {
    const char* name;
    uint8_t singleClock;
    int32_t counter;
    uint16_t latch;
    uint16_t cycles;
    int32_t expectCounter;
    bool expectRequest;
};

TEST_F(TimerTest, Timer1ReloadDependsOnClockRate)
{
    const Timer1Case cases[] = {
        // Double clock: 14 cycles are 7 ticks; 5 - 7 < 0 reloads, dropping the overshoot.
        {"double clock drops overshoot", 0, 5, 100, 14, 100, true},
        // Single clock: the overshoot carries into the reload.
        {"single clock carries overshoot", 1, 5, 100, 7, 98, true},
        // Reaching 0 is not running out; passing below is.
        {"reaching zero is not running out", 1, 5, 100, 5, 0, false},
        {"one below zero runs out", 1, 5, 100, 6, 99, true},
        // An odd cycle count loses its half tick at double clock.
        {"odd cycles at double clock", 0, 10, 100, 7, 7, false},
        {"latch zero runs out every step", 0, 0, 0, 2, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ram64[0xFF09] = 0;
        Ted.SingleClock = c.singleClock;
        Ted.Timer1Running = 1;
        Ted.Timer1Counter = c.counter;
        Ted.Timer1Latch = c.latch;
        TimerStepOf(c.cycles);
        EXPECT_EQ(Ted.Timer1Counter, c.expectCounter);
        EXPECT_EQ((Requests() & 0x08) != 0, c.expectRequest);
        EXPECT_EQ(Requests() & ~0x08, 0) << "only timer 1 may request";
    }
}

TEST_F(TimerTest, SingleClockLatchSmallerThanStepKeepsFalling)
{
    Ted.SingleClock = 1;
    Ted.Timer1Running = 1;
    Ted.Timer1Counter = 1;
    Ted.Timer1Latch = 2;
    TimerStepOf(8);   // 1 - 8 + 2 = -5
    EXPECT_EQ(Ted.Timer1Counter, -5);
    EXPECT_EQ(Requests() & 0x08, 0x08);
    Ram64[0xFF09] = 0;
    TimerStepOf(8);   // -5 - 8 + 2 = -11
    EXPECT_EQ(Ted.Timer1Counter, -11);
    EXPECT_EQ(Requests() & 0x08, 0x08);
    // The registers show the low two bytes of the negative count.
    EXPECT_EQ(ReadByte(0xFF00), 0xF5);
    EXPECT_EQ(ReadByte(0xFF01), 0xFF);
}

// A latch of 0 at the single clock: the count falls for ever.  It must not
// overflow, and the registers keep showing its low 16 bits.
TEST_F(TimerTest, EndlesslyFallingTimer1NeverOverflows)
{
    Ted.SingleClock = 1;
    Ted.Timer1Running = 1;
    Ted.Timer1Counter = 1;
    Ted.Timer1Latch = 0;
    int64_t trueCount = 1;
    for (int i = 0; i < 1000000; i++) {
        TimerStepOf(7);
        trueCount -= 7;
    }
    EXPECT_LT(Ted.Timer1Counter, 0);
    EXPECT_GE(Ted.Timer1Counter, -0x20000);
    EXPECT_EQ(ReadByte(0xFF00), static_cast<uint8_t>(trueCount));
    EXPECT_EQ(ReadByte(0xFF01), static_cast<uint8_t>(trueCount >> 8));
}

TEST_F(TimerTest, StoppedTimer1StillReloadsANegativeCounter)
{
    Ted.SingleClock = 1;
    Ted.Timer1Running = 0;
    Ted.Timer1Counter = -3;
    Ted.Timer1Latch = 50;
    TimerStepOf(4);
    EXPECT_EQ(Ted.Timer1Counter, 47);
    EXPECT_EQ(Requests() & 0x08, 0x08);
}

TEST_F(TimerTest, Timers2And3RunFreelyFromFFFF)
{
    struct Case {
        int32_t* counter;
        uint16_t* latch;
        uint8_t* running;
        uint8_t bit;
    } timers[] = {
        {&Ted.Timer2Counter, &Ted.Timer2Latch, &Ted.Timer2Running, 0x10},
        {&Ted.Timer3Counter, &Ted.Timer3Latch, &Ted.Timer3Running, 0x40},
    };
    for (const auto& t : timers) {
        SCOPED_TRACE(t.bit);
        for (uint8_t singleClock : {0, 1}) {
            Ram64[0xFF09] = 0;
            Ted.SingleClock = singleClock;
            *t.running = 1;
            *t.counter = 1;
            *t.latch = 300;
            TimerStepOf(4);   // 1 - 2 or 1 - 4: runs out either way
            EXPECT_EQ(*t.counter, 0xFFFF) << "not the latch";
            EXPECT_EQ(Requests(), t.bit);
            TimerStepOf(4);
            EXPECT_EQ(*t.counter, singleClock ? 0xFFFB : 0xFFFD);
            *t.running = 0;
        }
    }
}

TEST_F(TimerTest, StoppedTimersNeverRequest)
{
    Ted.Timer1Counter = Ted.Timer2Counter = Ted.Timer3Counter = 0;
    for (int i = 0; i < 100; i++)
        TimerStepOf(8);
    EXPECT_EQ(Ted.Timer2Counter, 0);
    EXPECT_EQ(Requests(), 0);
}

TEST_F(TimerTest, RegisterWritesLoadAndStartTimers)
{
    Ted.SingleClock = 1;
    WriteByte(0xFF02, 0x10);   // low byte: latch, stop
    WriteByte(0xFF03, 0x00);   // high byte: load and start
    EXPECT_EQ(Ted.Timer2Counter, 0x10);
    TimerStepOf(6);
    EXPECT_EQ(ReadByte(0xFF02), 0x0A);
    WriteByte(0xFF02, 0x80);   // stops it; the counter's low byte follows
    TimerStepOf(6);
    EXPECT_EQ(ReadByte(0xFF02), 0x80);
}

// ---- Interrupts -------------------------------------------------------------

class InterruptTest : public TedTest {
protected:
    void SetUp() override
    {
        TedTest::SetUp();
        Ted.RomEnabled = 1;
        KernalRom[0x3FFC] = 0x00;   // reset vector 0xF000
        KernalRom[0x3FFD] = 0xF0;
        KernalRom[0x3FFE] = 0x34;   // interrupt vector 0xE234
        KernalRom[0x3FFF] = 0xE2;
        Cpu.SP = 0xFF;
        Cpu.PC = 0x1234;
        Cpu.FlagI = 0;
        Ted.Timer1Running = Ted.Timer2Running = Ted.Timer3Running = 0;
        LastCycle = 2;
    }
    static uint8_t PushedStatus() { return Ram64[0x01FD]; }
    static uint16_t PushedPC() { return static_cast<uint16_t>(Ram64[0x01FE] | (Ram64[0x01FF] << 8)); }
};

TEST_F(InterruptTest, RequestRegisterBit7FollowsEnabledSources)
{
    struct Case {
        uint8_t requests, enables;
        bool summary;
    } cases[] = {
        {0x02, 0x02, true},  {0x08, 0x08, true},  {0x10, 0x10, true},  {0x40, 0x40, true},
        {0x02, 0x08, false}, {0x04, 0x04, false}, {0x01, 0x01, false}, {0x20, 0x20, false},
        {0x80, 0x00, false},   // a stale summary bit is cleared
    };
    Cpu.FlagI = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.requests) << "/" << int(c.enables));
        Ram64[0xFF09] = c.requests;
        Ram64[0xFF0A] = c.enables;
        InterruptCheck();
        EXPECT_EQ((Ram64[0xFF09] & 0x80) != 0, c.summary);
        EXPECT_EQ(Ram64[0xFF09] & 0x7F, c.requests & 0x7F);
    }
}

TEST_F(InterruptTest, InterruptIsTakenOneStepAfterItIsNoticed)
{
    Ram64[0xFF0A] = 0x02;
    Ram64[0xFF09] = 0x02;
    Config.Accuracy = 0;   // the older model's status byte: bits 5 and 4 pushed clear
    Cpu.FlagN = Cpu.FlagC = Cpu.FlagD = 1;
    InterruptCheck();   // noticed
    EXPECT_EQ(Ted.IrqPending, 1);
    EXPECT_EQ(Cpu.PC, 0x1234);
    Cpu.PC = 0x1236;    // the next instruction ran
    InterruptCheck();   // taken
    EXPECT_EQ(Cpu.PC, 0xE234);
    EXPECT_EQ(Cpu.FlagI, 1);
    EXPECT_EQ(Ted.IrqPending, 0);
    EXPECT_EQ(Ted.IrqDelay, 0);
    EXPECT_EQ(PushedPC(), 0x1236);
    EXPECT_EQ(PushedStatus(), 0x89) << "N, D, C set; bits 4 and 5 clear; I clear";
    EXPECT_EQ(Cpu.SP, 0xFC);
    EXPECT_EQ(LastCycle, 2) << "taking the interrupt leaves LastCycle";
}

TEST_F(InterruptTest, NoticedInterruptSurvivesSeiAndAcknowledge)
{
    Ram64[0xFF0A] = 0x08;
    Ram64[0xFF09] = 0x08;
    InterruptCheck();
    Cpu.FlagI = 1;               // SEI as the very next instruction
    WriteByte(0xFF09, 0x08);     // and the request acknowledged
    InterruptCheck();
    EXPECT_EQ(Cpu.PC, 0xE234);
    EXPECT_EQ(PushedStatus() & 0x04, 0x04) << "the pushed status has I from SEI";
}

TEST_F(InterruptTest, MaskedRequestIsNotNoticed)
{
    Ram64[0xFF0A] = 0x02;
    Ram64[0xFF09] = 0x02;
    Cpu.FlagI = 1;
    for (int i = 0; i < 5; i++)
        InterruptCheck();
    EXPECT_EQ(Ted.IrqPending, 0);
    EXPECT_EQ(Cpu.PC, 0x1234);
    Cpu.FlagI = 0;                 // CLI
    InterruptCheck();
    InterruptCheck();
    EXPECT_EQ(Cpu.PC, 0xE234);
}

TEST_F(InterruptTest, ResetEntersThroughFFFCAndKeepsFlagI)
{
    Config.Accuracy = 0;   // the older model's status byte: bits 5 and 4 pushed clear
    for (uint8_t flagI : {0, 1}) {
        SCOPED_TRACE(int(flagI));
        Cpu.SP = 0xFF;
        Cpu.PC = 0x4321;
        Cpu.FlagI = flagI;
        Ted.ResetRequest = 1;
        Ted.RasterIrqDue = 1;
        InterruptCheck();
        EXPECT_EQ(Cpu.PC, 0xF000);
        EXPECT_EQ(Cpu.FlagI, flagI);
        EXPECT_EQ(Ted.ResetRequest, 0);
        EXPECT_EQ(Ted.RasterIrqDue, 0);
        EXPECT_EQ(PushedPC(), 0x4321);
        EXPECT_EQ(PushedStatus() & 0x30, 0);
    }
}

// A request raised by a timer during instruction k is noticed after k + 1
// and taken after k + 2, so the handler's first instruction is k + 3.
TEST_F(InterruptTest, TimerRequestLatencyThroughTheStepOrder)
{
    Ram64[0xFF0A] = 0x08;
    Ted.SingleClock = 1;
    Ted.Timer1Running = 1;
    Ted.Timer1Counter = 3;
    Ted.Timer1Latch = 1000;
    int raisedAt = -1, takenAt = -1;
    for (int k = 0; k < 10 && takenAt < 0; k++) {
        Cpu.PC = static_cast<uint16_t>(0x2000 + k);   // instruction k ran
        LastCycle = 2;
        InterruptCheck();
        if (Cpu.PC == 0xE234)
            takenAt = k;
        TimerStep();
        if (raisedAt < 0 && (Ram64[0xFF09] & 0x08))
            raisedAt = k;
    }
    EXPECT_EQ(raisedAt, 1);   // 3 - 2 - 2 < 0 on the second step
    EXPECT_EQ(takenAt, raisedAt + 2);
    EXPECT_EQ(PushedPC(), 0x2000 + takenAt);
}

}  // namespace
