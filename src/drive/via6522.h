// The 6522 VIA (versatile interface adapter): two 8-bit ports with direction
// registers, two 16-bit timers, a shift register, four control lines (CA1,
// CA2, CB1, CB2) and the interrupt flag and enable registers.  A plain
// struct per chip; the board it sits on wires it up through ViaWiring.
//
// Time: the owner advances a VIA by whole cycles of its clock (ViaAdvance)
// before each register access and before it looks at the interrupt line, so
// the chip is always as it is at the cycle of the access.  Advancing costs
// the same for one cycle as for a million; ViaCyclesToInterrupt says how long
// the owner may run without looking.
//
// Timer 1 counts N, N-1 ... 0, then shows 0xFFFF and raises its flag in the
// cycle after 0 (N + 2 cycles after the write that loaded it), then reloads
// the latch: a free-running period is N + 2 cycles.  In one-shot mode it
// reloads as well but raises its flag only once per load.  Timer 2 counts
// the same way, raises its flag once, and runs on through 0xFFFF without
// reloading.
//
// Not modelled (the 1541's DOS uses none of them): timer 1's PB7 output,
// timer 2 counting pulses on PB6 (in that mode it simply stands), the shift
// register's shifting (it holds what is written), and CA2/CB2's handshake
// and pulse outputs (the line stays high).
#pragma once
#include <cstdint>

// Register numbers (address & 15).
enum ViaRegister : uint8_t {
    ViaOrb = 0x0,
    ViaOra = 0x1,
    ViaDdrb = 0x2,
    ViaDdra = 0x3,
    ViaT1CounterLow = 0x4,
    ViaT1CounterHigh = 0x5,
    ViaT1LatchLow = 0x6,
    ViaT1LatchHigh = 0x7,
    ViaT2CounterLow = 0x8,
    ViaT2CounterHigh = 0x9,
    ViaShift = 0xA,
    ViaAcr = 0xB,
    ViaPcr = 0xC,
    ViaIfr = 0xD,
    ViaIer = 0xE,
    ViaOraNoHandshake = 0xF,
};

// Interrupt flag and enable bits.
constexpr uint8_t ViaIrqCa2 = 0x01;
constexpr uint8_t ViaIrqCa1 = 0x02;
constexpr uint8_t ViaIrqShift = 0x04;
constexpr uint8_t ViaIrqCb2 = 0x08;
constexpr uint8_t ViaIrqCb1 = 0x10;
constexpr uint8_t ViaIrqTimer2 = 0x20;
constexpr uint8_t ViaIrqTimer1 = 0x40;

// Auxiliary control register bits used here.
constexpr uint8_t ViaAcrLatchA = 0x01;         // port A latched at CA1's active edge
constexpr uint8_t ViaAcrLatchB = 0x02;         // port B latched at CB1's active edge
constexpr uint8_t ViaAcrT2CountsPulses = 0x20;
constexpr uint8_t ViaAcrT1FreeRun = 0x40;

constexpr uint32_t ViaNever = 0xFFFFFFFF;

// How the board around the chip reads its pins and hears its outputs.
struct ViaWiring {
    // The levels the board puts on each port's pins (bits the VIA drives as
    // outputs are ignored).  Absent: the pins float high.
    uint8_t (*portAPins)(void* context) = nullptr;
    uint8_t (*portBPins)(void* context) = nullptr;
    // After a write that may change what the chip drives: a port, a
    // direction register, or the control lines through the PCR.
    void (*outputsChanged)(void* context) = nullptr;
    void* context = nullptr;
};

struct Via6522 {
    uint8_t ora = 0, orb = 0, ddra = 0, ddrb = 0;
    uint8_t acr = 0, pcr = 0, ifr = 0, ier = 0, shift = 0;
    uint16_t t1Latch = 0xFFFF;
    uint8_t t2LatchLow = 0xFF;
    // Timer 1 as it shows now, -1 being the cycle of 0xFFFF before the
    // reload; one above the loaded value during the cycle of the load.
    int32_t t1Counter = 0xFFFF;
    uint32_t t2Counter = 0xFFFF;   // likewise, up to 0x10000 during its load
    bool t1Armed = false, t2Armed = false;
    uint8_t portALatch = 0xFF, portBLatch = 0xFF;
    bool ca1 = true, ca2 = true, cb1 = true, cb2 = true;   // input levels
    ViaWiring wiring;
};

// The RESET pin: registers, flags and enables cleared, control lines to
// inputs; the timers' counters and latches and the shift register keep
// their values.  The wiring stays.
void ViaReset(Via6522& via);

uint8_t ViaRead(Via6522& via, uint8_t reg);
// A read without side effects, for the debugger.
uint8_t ViaPeek(const Via6522& via, uint8_t reg);
void ViaWrite(Via6522& via, uint8_t reg, uint8_t value);

void ViaAdvance(Via6522& via, uint32_t cycles);
// Cycles until a timer raises a flag that is enabled and not yet set (the
// interrupt line can't newly assert sooner); ViaNever when none will.
uint32_t ViaCyclesToInterrupt(const Via6522& via);
inline bool ViaIrq(const Via6522& via) { return (via.ifr & via.ier & 0x7F) != 0; }

// The control lines' input levels; an active edge raises the line's flag
// (and latches the port on CA1/CB1 when latching is on).
void ViaSetCa1(Via6522& via, bool level);
void ViaSetCa2(Via6522& via, bool level);
void ViaSetCb1(Via6522& via, bool level);
void ViaSetCb2(Via6522& via, bool level);

// What the chip drives: output bits as written, input pins floating high.
inline uint8_t ViaPortAOutputs(const Via6522& via) { return static_cast<uint8_t>((via.ora & via.ddra) | ~via.ddra); }
inline uint8_t ViaPortBOutputs(const Via6522& via) { return static_cast<uint8_t>((via.orb & via.ddrb) | ~via.ddrb); }
// CA2 and CB2: low only in manual-low mode (PCR 110); as inputs they float high.
inline bool ViaCa2Output(const Via6522& via) { return (via.pcr & 0x0E) != 0x0C; }
inline bool ViaCb2Output(const Via6522& via) { return (via.pcr & 0xE0) != 0xC0; }
