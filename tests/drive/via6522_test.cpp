// The 6522 on its own: timers counted cycle by cycle, the interrupt flags
// and enables, the control-line edges and the ports.
#include <gtest/gtest.h>

#include "drive/via6522.h"

namespace {

struct TimerCase {
    const char* what;
    uint8_t acr;
    uint8_t counterHighRegister;   // ViaT1CounterHigh or ViaT2CounterHigh
    uint16_t start;
    // After the load's cycle, cycle by cycle: the counter and the flag; a
    // read of the low counter byte (clearing the flag) where marked.
    struct Step {
        uint32_t cycles;
        uint16_t counter;
        bool flag;
        bool readLow = false;
    } steps[6];
};

TEST(Via6522Test, TimersCountTimeOutAndReload)
{
    const TimerCase cases[] = {
        {"T1 one-shot: flag once, then it reloads quietly", 0x00, ViaT1CounterHigh, 10,
         {{1, 10, false}, {10, 0, false}, {1, 0xFFFF, true, true}, {1, 10, false}, {10, 0, false}, {1, 0xFFFF, false}}},
        {"T1 free-running: every N + 2 cycles, fifty periods in one step", ViaAcrT1FreeRun, ViaT1CounterHigh, 10,
         {{1, 10, false}, {11, 0xFFFF, true, true}, {1, 10, false}, {11, 0xFFFF, true}, {12 * 50, 0xFFFF, true}, {2, 9, true}}},
        {"T2 one-shot: runs on through 0xFFFF", 0x00, ViaT2CounterHigh, 5,
         {{1, 5, false}, {6, 0xFFFF, true, true}, {1, 0xFFFE, false}, {0xFFFE, 0, false}, {1, 0xFFFF, false}, {1, 0xFFFE, false}}},
        {"T2 counting pulses stands", ViaAcrT2CountsPulses, ViaT2CounterHigh, 5,
         {{1, 6, false}, {100, 6, false}}},
    };
    for (const TimerCase& c : cases) {
        Via6522 via;
        ViaWrite(via, ViaAcr, c.acr);
        ViaWrite(via, ViaIer, 0x80 | ViaIrqTimer1 | ViaIrqTimer2);
        ViaWrite(via, c.counterHighRegister - 1, static_cast<uint8_t>(c.start));
        ViaWrite(via, c.counterHighRegister, static_cast<uint8_t>(c.start >> 8));
        const uint8_t flag = c.counterHighRegister == ViaT1CounterHigh ? ViaIrqTimer1 : ViaIrqTimer2;
        uint32_t elapsed = 0;
        for (const TimerCase::Step& s : c.steps) {
            if (s.cycles == 0)
                break;
            const uint32_t warned = ViaCyclesToInterrupt(via);
            ViaAdvance(via, s.cycles);
            elapsed += s.cycles;
            const uint16_t counter = static_cast<uint16_t>(ViaPeek(via, c.counterHighRegister - 1) |
                                                           ViaPeek(via, c.counterHighRegister) << 8);
            EXPECT_EQ(counter, s.counter) << c.what << " after " << elapsed;
            EXPECT_EQ((via.ifr & flag) != 0, s.flag) << c.what << " after " << elapsed;
            EXPECT_EQ(ViaIrq(via), s.flag) << c.what << " after " << elapsed;
            if (s.flag && warned != ViaNever) {
                EXPECT_LE(warned, s.cycles) << c.what << ": the interrupt came unannounced";
            }
            if (s.readLow)
                ViaRead(via, c.counterHighRegister - 1);
        }
    }
}

TEST(Via6522Test, FlagsEnablesAndControlLines)
{
    Via6522 via;
    uint8_t pinsA = 0x5A;
    via.wiring.portAPins = [](void* context) { return *static_cast<uint8_t*>(context); };
    via.wiring.portBPins = [](void*) -> uint8_t { return 0xF0; };
    via.wiring.context = &pinsA;

    ViaWrite(via, ViaIer, 0x80 | ViaIrqCa1 | ViaIrqTimer1);
    EXPECT_EQ(ViaRead(via, ViaIer), 0x80 | ViaIrqCa1 | ViaIrqTimer1) << "bit 7 reads 1";
    ViaWrite(via, ViaIer, ViaIrqTimer1);
    EXPECT_EQ(ViaRead(via, ViaIer), 0x80 | ViaIrqCa1) << "bit 7 clear: the set bits disable";

    // CA1 on its falling edge (PCR bit 0 clear), port A latched there.
    ViaWrite(via, ViaAcr, ViaAcrLatchA);
    ViaSetCa1(via, true);
    EXPECT_EQ(ViaRead(via, ViaIfr), 0) << "a rising edge is not the active one";
    ViaSetCa1(via, false);
    pinsA = 0x00;
    EXPECT_EQ(ViaRead(via, ViaIfr), 0x80 | ViaIrqCa1);
    EXPECT_EQ(ViaRead(via, ViaOraNoHandshake), 0x5A) << "the latched byte; no flag cleared";
    EXPECT_TRUE(ViaIrq(via));
    EXPECT_EQ(ViaRead(via, ViaOra), 0x5A);
    EXPECT_FALSE(ViaIrq(via)) << "reading port A cleared CA1's flag";

    // A flag not enabled shows in IFR without bit 7.
    ViaSetCb1(via, false);
    EXPECT_EQ(ViaRead(via, ViaIfr), ViaIrqCb1);
    ViaWrite(via, ViaIfr, ViaIrqCb1);
    EXPECT_EQ(ViaRead(via, ViaIfr), 0) << "writing a 1 clears the flag";

    // Ports mix output bits and pins by the direction register.
    ViaWrite(via, ViaDdrb, 0x0F);
    ViaWrite(via, ViaOrb, 0x35);
    EXPECT_EQ(ViaRead(via, ViaOrb), 0xF5);
    EXPECT_EQ(ViaPortBOutputs(via), 0xF5) << "input pins float high";
}

}  // namespace
