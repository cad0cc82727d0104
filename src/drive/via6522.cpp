#include "drive/via6522.h"

namespace {

// CA2 and CB2 in an "independent" input mode keep their flag when the port
// is read or written.
bool Ca2Independent(const Via6522& via) { return (via.pcr & 0x0A) == 0x02; }
bool Cb2Independent(const Via6522& via) { return (via.pcr & 0xA0) == 0x20; }

uint8_t PinsA(const Via6522& via)
{
    return via.wiring.portAPins ? via.wiring.portAPins(via.wiring.context) : 0xFF;
}

uint8_t PinsB(const Via6522& via)
{
    return via.wiring.portBPins ? via.wiring.portBPins(via.wiring.context) : 0xFF;
}

void OutputsChanged(Via6522& via)
{
    if (via.wiring.outputsChanged)
        via.wiring.outputsChanged(via.wiring.context);
}

void PortAAccessed(Via6522& via)
{
    via.ifr &= static_cast<uint8_t>(~(ViaIrqCa1 | (Ca2Independent(via) ? 0 : ViaIrqCa2)));
}

void PortBAccessed(Via6522& via)
{
    via.ifr &= static_cast<uint8_t>(~(ViaIrqCb1 | (Cb2Independent(via) ? 0 : ViaIrqCb2)));
}

void Timer1TimesOut(Via6522& via)
{
    if (via.acr & ViaAcrT1FreeRun) {
        via.ifr |= ViaIrqTimer1;
    } else if (via.t1Armed) {
        via.ifr |= ViaIrqTimer1;
        via.t1Armed = false;
    }
}

void AdvanceTimer1(Via6522& via, uint32_t cycles)
{
    int64_t remaining = cycles;
    int64_t value = via.t1Counter;
    while (remaining > 0) {
        if (value >= 0) {
            const int64_t step = remaining < value + 1 ? remaining : value + 1;
            value -= step;
            remaining -= step;
            if (value == -1)
                Timer1TimesOut(via);
        } else {
            // The cycle after 0xFFFF loads the latch; whole periods from
            // there each time out once more.
            value = via.t1Latch;
            remaining--;
            const int64_t period = via.t1Latch + 2;
            if (remaining >= period) {
                remaining %= period;
                Timer1TimesOut(via);
            }
        }
    }
    via.t1Counter = static_cast<int32_t>(value);
}

void AdvanceTimer2(Via6522& via, uint32_t cycles)
{
    if (via.acr & ViaAcrT2CountsPulses)
        return;
    if (via.t2Armed && cycles > via.t2Counter) {
        via.ifr |= ViaIrqTimer2;
        via.t2Armed = false;
    }
    via.t2Counter = static_cast<uint32_t>((static_cast<int64_t>(via.t2Counter) - cycles) & 0xFFFF);
}

// An edge on CA1/CB1 (PCR bit 0 / bit 4: 1 rising, 0 falling) or on CA2/CB2
// as inputs (PCR bit 2 / bit 6 likewise).
bool ActiveEdge(bool from, bool to, bool risingActive) { return from != to && to == risingActive; }

}  // namespace

void ViaReset(Via6522& via)
{
    via.ora = via.orb = via.ddra = via.ddrb = 0;
    via.acr = via.pcr = via.ifr = via.ier = 0;
    via.t1Armed = via.t2Armed = false;
    OutputsChanged(via);
}

uint8_t ViaPeek(const Via6522& via, uint8_t reg)
{
    switch (reg & 0x0F) {
    case ViaOrb: {
        const uint8_t pins = (via.acr & ViaAcrLatchB) ? via.portBLatch : PinsB(via);
        return static_cast<uint8_t>((via.orb & via.ddrb) | (pins & ~via.ddrb));
    }
    case ViaOra:
    case ViaOraNoHandshake: {
        const uint8_t pins = (via.acr & ViaAcrLatchA) ? via.portALatch : PinsA(via);
        return static_cast<uint8_t>((via.ora & via.ddra) | (pins & ~via.ddra));
    }
    case ViaDdrb: return via.ddrb;
    case ViaDdra: return via.ddra;
    case ViaT1CounterLow: return static_cast<uint8_t>(via.t1Counter);
    case ViaT1CounterHigh: return static_cast<uint8_t>(via.t1Counter >> 8);
    case ViaT1LatchLow: return static_cast<uint8_t>(via.t1Latch);
    case ViaT1LatchHigh: return static_cast<uint8_t>(via.t1Latch >> 8);
    case ViaT2CounterLow: return static_cast<uint8_t>(via.t2Counter);
    case ViaT2CounterHigh: return static_cast<uint8_t>(via.t2Counter >> 8);
    case ViaShift: return via.shift;
    case ViaAcr: return via.acr;
    case ViaPcr: return via.pcr;
    case ViaIfr: return static_cast<uint8_t>(via.ifr | (ViaIrq(via) ? 0x80 : 0));
    default: return static_cast<uint8_t>(via.ier | 0x80);   // ViaIer
    }
}

uint8_t ViaRead(Via6522& via, uint8_t reg)
{
    reg &= 0x0F;
    const uint8_t value = ViaPeek(via, reg);
    switch (reg) {
    case ViaOrb: PortBAccessed(via); break;
    case ViaOra: PortAAccessed(via); break;
    case ViaT1CounterLow: via.ifr &= static_cast<uint8_t>(~ViaIrqTimer1); break;
    case ViaT2CounterLow: via.ifr &= static_cast<uint8_t>(~ViaIrqTimer2); break;
    case ViaShift: via.ifr &= static_cast<uint8_t>(~ViaIrqShift); break;
    default: break;
    }
    return value;
}

void ViaWrite(Via6522& via, uint8_t reg, uint8_t value)
{
    switch (reg & 0x0F) {
    case ViaOrb:
        via.orb = value;
        PortBAccessed(via);
        OutputsChanged(via);
        break;
    case ViaOra:
        via.ora = value;
        PortAAccessed(via);
        OutputsChanged(via);
        break;
    case ViaOraNoHandshake:
        via.ora = value;
        OutputsChanged(via);
        break;
    case ViaDdrb:
        via.ddrb = value;
        OutputsChanged(via);
        break;
    case ViaDdra:
        via.ddra = value;
        OutputsChanged(via);
        break;
    case ViaT1CounterLow:
    case ViaT1LatchLow: via.t1Latch = static_cast<uint16_t>((via.t1Latch & 0xFF00) | value); break;
    case ViaT1CounterHigh:
        via.t1Latch = static_cast<uint16_t>((via.t1Latch & 0x00FF) | value << 8);
        via.t1Counter = via.t1Latch + 1;
        via.t1Armed = true;
        via.ifr &= static_cast<uint8_t>(~ViaIrqTimer1);
        break;
    case ViaT1LatchHigh:
        via.t1Latch = static_cast<uint16_t>((via.t1Latch & 0x00FF) | value << 8);
        via.ifr &= static_cast<uint8_t>(~ViaIrqTimer1);
        break;
    case ViaT2CounterLow: via.t2LatchLow = value; break;
    case ViaT2CounterHigh:
        via.t2Counter = static_cast<uint32_t>(value << 8 | via.t2LatchLow) + 1;
        via.t2Armed = true;
        via.ifr &= static_cast<uint8_t>(~ViaIrqTimer2);
        break;
    case ViaShift:
        via.shift = value;
        via.ifr &= static_cast<uint8_t>(~ViaIrqShift);
        break;
    case ViaAcr: via.acr = value; break;
    case ViaPcr:
        via.pcr = value;
        OutputsChanged(via);
        break;
    case ViaIfr: via.ifr &= static_cast<uint8_t>(~value); break;
    default:   // ViaIer: bit 7 says whether the other set bits enable or disable
        if (value & 0x80)
            via.ier |= value & 0x7F;
        else
            via.ier &= static_cast<uint8_t>(~value);
        break;
    }
}

void ViaAdvance(Via6522& via, uint32_t cycles)
{
    if (cycles == 0)
        return;
    AdvanceTimer1(via, cycles);
    AdvanceTimer2(via, cycles);
}

uint32_t ViaCyclesToInterrupt(const Via6522& via)
{
    uint32_t soonest = ViaNever;
    if ((via.ier & ViaIrqTimer1) && !(via.ifr & ViaIrqTimer1) && (via.t1Armed || (via.acr & ViaAcrT1FreeRun)))
        soonest = via.t1Counter >= 0 ? static_cast<uint32_t>(via.t1Counter) + 1 : via.t1Latch + 2u;
    if ((via.ier & ViaIrqTimer2) && !(via.ifr & ViaIrqTimer2) && via.t2Armed && !(via.acr & ViaAcrT2CountsPulses)) {
        const uint32_t t2 = via.t2Counter + 1;
        if (t2 < soonest)
            soonest = t2;
    }
    return soonest;
}

void ViaSetCa1(Via6522& via, bool level)
{
    if (ActiveEdge(via.ca1, level, via.pcr & 0x01)) {
        via.ifr |= ViaIrqCa1;
        if (via.acr & ViaAcrLatchA)
            via.portALatch = PinsA(via);
    }
    via.ca1 = level;
}

void ViaSetCb1(Via6522& via, bool level)
{
    if (ActiveEdge(via.cb1, level, via.pcr & 0x10)) {
        via.ifr |= ViaIrqCb1;
        if (via.acr & ViaAcrLatchB)
            via.portBLatch = PinsB(via);
    }
    via.cb1 = level;
}

void ViaSetCa2(Via6522& via, bool level)
{
    if (!(via.pcr & 0x08) && ActiveEdge(via.ca2, level, via.pcr & 0x04))
        via.ifr |= ViaIrqCa2;
    via.ca2 = level;
}

void ViaSetCb2(Via6522& via, bool level)
{
    if (!(via.pcr & 0x80) && ActiveEdge(via.cb2, level, via.pcr & 0x40))
        via.ifr |= ViaIrqCb2;
    via.cb2 = level;
}
