#include <cstdio>

#include "cpu/registers.h"
#include "debugger/debugger_text.h"

namespace {

// A flag byte as the digit the lines show: any non-zero value is set.
inline unsigned Bit(uint8_t flag)
{
    return flag ? 1u : 0u;
}

}  // namespace

const char RegisterHeading[] = " PC  AC XR YR SP NV-BDIZC";

void FormatRegisterLine(char text[26])
{
    // The 1 between V and B is the status byte's unused bit 5.
    std::snprintf(text, 26, "%04X %02X %02X %02X %02X %X%X1%X%X%X%X%X", Cpu.PC, Cpu.AC, Cpu.XR, Cpu.YR, Cpu.SP,
                  Bit(Cpu.FlagN), Bit(Cpu.FlagV), Bit(Cpu.FlagB), Bit(Cpu.FlagD), Bit(Cpu.FlagI),
                  Bit(Cpu.FlagZ), Bit(Cpu.FlagC));
}

void FormatStatusLine(char text[41])
{
    std::snprintf(text, 41, "PC:%04X ACC:%02X X:%02X Y:%02X SP:%02X  %X%X1%X%X%X%X%X", Cpu.PC, Cpu.AC, Cpu.XR,
                  Cpu.YR, Cpu.SP, Bit(Cpu.FlagN), Bit(Cpu.FlagV), Bit(Cpu.FlagB), Bit(Cpu.FlagD),
                  Bit(Cpu.FlagI), Bit(Cpu.FlagZ), Bit(Cpu.FlagC));
}

uint8_t DumpCharacterCode(uint8_t value)
{
    // The top bit (reverse video) is dropped; letters sit at 0x40-0x5F in
    // text and at 0x00-0x1F as screen codes; control codes show a full stop.
    uint8_t v = value & 0x7F;
    if (v >= 0x40)
        return static_cast<uint8_t>(v - 0x40);
    if (v < 0x20)
        return 0x2E;
    return v;
}
