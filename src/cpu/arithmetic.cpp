// ADC and SBC.  Each reads its operand from OperandLatch.  The decimal forms
// work nibble by nibble and accept nibbles above 9 as the chip does.
//
// Two sets of decimal rules.  The older model (Accuracy=0): ADC takes N and
// Z from the decimal result and clears V; SBC adjusts a low digit above 9
// even without a borrow, takes its carry from the adjusted high digit and
// leaves V alone.  The NMOS chip (Accuracy=1): ADC's Z comes from the binary
// sum, N and V from the sum once the low digit is adjusted and before the
// high one is; SBC sets every flag as the binary subtraction does and
// adjusts only the accumulator, a digit only where it borrowed.  Both agree
// on the accumulator and carry for valid decimal operands.
#include "cpu/cpu.h"
#include "cpu/processor_model.h"

namespace {
inline unsigned Carry() { return Cpu.FlagC ? 1u : 0u; }
inline void SetNZ(uint8_t value)
{
    Cpu.FlagN = value & 0x80;
    Cpu.FlagZ = value == 0;
}
}  // namespace

void AddBinary()
{
    unsigned m = OperandLatch;
    unsigned sum = Cpu.AC + m + Carry();
    Cpu.FlagC = sum >= 0x100;
    Cpu.FlagV = (~(Cpu.AC ^ m) & (Cpu.AC ^ sum) & 0x80) != 0;
    Cpu.AC = static_cast<uint8_t>(sum);
    SetNZ(Cpu.AC);
}

void SubtractBinary()
{
    unsigned m = OperandLatch;
    uint16_t diff = static_cast<uint16_t>(Cpu.AC - m - (1 - Carry()));
    Cpu.FlagC = diff < 0x100;
    Cpu.FlagV = ((Cpu.AC ^ m) & (Cpu.AC ^ diff) & 0x80) != 0;
    Cpu.AC = static_cast<uint8_t>(diff);
    SetNZ(Cpu.AC);
}

void AddDecimal()
{
    uint8_t m = OperandLatch;
    uint8_t lo = static_cast<uint8_t>((Cpu.AC & 0x0F) + (m & 0x0F) + Carry());
    if (lo > 9)
        lo = static_cast<uint8_t>(lo + 6);
    uint8_t hi = static_cast<uint8_t>((Cpu.AC >> 4) + (m >> 4));
    if (lo > 15)
        hi++;
    if (hi > 9)
        hi = static_cast<uint8_t>(hi + 6);
    Cpu.AC = static_cast<uint8_t>(hi * 16 + (lo & 0x0F));
    Cpu.FlagC = hi > 15;
    Cpu.FlagZ = Cpu.AC == 0;
    Cpu.FlagN = Cpu.AC & 0x80;
    Cpu.FlagV = 0;
}

void SubtractDecimal()
{
    uint8_t m = OperandLatch;
    uint8_t lo = static_cast<uint8_t>((Cpu.AC & 0x0F) - (m & 0x0F) - (1 - Carry()));
    uint8_t hi = static_cast<uint8_t>((Cpu.AC >> 4) - (m >> 4));
    if (lo > 9) {  // a borrow wraps lo to 0xF0 and above
        lo = static_cast<uint8_t>(lo - 6);
        hi--;
    }
    Cpu.FlagC = (hi & 0x10) == 0;
    if (hi & 0x10)
        hi = static_cast<uint8_t>(hi - 6);
    Cpu.AC = static_cast<uint8_t>(hi * 16 + (lo & 0x0F));
    Cpu.FlagZ = Cpu.AC == 0;
    Cpu.FlagN = Cpu.AC & 0x80;
}

void AddDecimalNmos()
{
    unsigned a = Cpu.AC;
    unsigned m = OperandLatch;
    unsigned c = Carry();
    unsigned lo = (a & 0x0F) + (m & 0x0F) + c;
    if (lo > 9)
        lo = ((lo + 6) & 0x0F) + 0x10;  // the digit, and its carry into the high one
    unsigned sum = (a & 0xF0) + (m & 0xF0) + lo;
    Cpu.FlagZ = ((a + m + c) & 0xFF) == 0;
    Cpu.FlagN = sum & 0x80;
    Cpu.FlagV = (~(a ^ m) & (a ^ sum) & 0x80) != 0;
    if (sum >= 0xA0)
        sum += 0x60;
    Cpu.FlagC = sum >= 0x100;
    Cpu.AC = static_cast<uint8_t>(sum);
}

void SubtractDecimalNmos()
{
    int a = Cpu.AC;
    int m = OperandLatch;
    int lo = (a & 0x0F) - (m & 0x0F) - (1 - static_cast<int>(Carry()));
    SubtractBinary();  // every flag, and a result the adjustment replaces
    if (lo < 0)
        lo = ((lo - 6) & 0x0F) - 0x10;  // the digit, and its borrow from the high one
    int difference = (a & 0xF0) - (m & 0xF0) + lo;
    if (difference < 0)
        difference -= 0x60;
    Cpu.AC = static_cast<uint8_t>(difference);
}

void AddDecimalOfModel()
{
    NmosRules() ? AddDecimalNmos() : AddDecimal();
}

void SubtractDecimalOfModel()
{
    NmosRules() ? SubtractDecimalNmos() : SubtractDecimal();
}
