#include <cstdio>

#include "debugger/debugger_text.h"
#include "machine/machine_state.h"
#include "ted/memory_map.h"

namespace {

inline unsigned Reg(uint16_t address)
{
    return ReadByte(address);
}

inline const char* OnOff(bool on)
{
    return on ? "ON " : "OFF";
}

// Right-aligned form used by the mode and clock lines.
inline const char* RightOnOff(bool on)
{
    return on ? " ON" : "OFF";
}

inline unsigned Counter(uint16_t lowRegister)
{
    return (Reg(static_cast<uint16_t>(lowRegister + 1)) << 8) | Reg(lowRegister);
}

}  // namespace

void BuildTedDumpLines(TedDumpLine lines[TedDumpLineCount])
{
    int n = 0;
    auto line = [&](uint8_t ink) -> char* {
        lines[n].row = static_cast<uint8_t>(2 + n);
        lines[n].ink = ink;
        return lines[n++].text;
    };
    constexpr size_t size = sizeof lines[0].text;

    std::snprintf(line(0x68), size, "TIMER1:                %04X/%04X %s", static_cast<unsigned>(Ted.Timer1Latch),
                  Counter(0xFF00), OnOff(Ted.Timer1Running));
    std::snprintf(line(0x68), size, "TIMER2:                %04X/%04X %s", static_cast<unsigned>(Ted.Timer2Latch),
                  Counter(0xFF02), OnOff(Ted.Timer2Running));
    std::snprintf(line(0x68), size, "TIMER3:                %04X/%04X %s", static_cast<unsigned>(Ted.Timer3Latch),
                  Counter(0xFF04), OnOff(Ted.Timer3Running));

    // The cursor is off the screen (hidden) at position 1000 and beyond.
    unsigned cursor = ((Reg(0xFF0C) & 3) << 8) | Reg(0xFF0D);
    std::snprintf(line(0x61), size, "CURSOR POSITION:             %03X %s", cursor, OnOff(cursor < 1000));
    std::snprintf(line(0x61), size, "BEAM X/Y:                 %02X/%03X", Reg(0xFF1E),
                  ((Reg(0xFF1C) & 1) << 8) | Reg(0xFF1D));
    std::snprintf(line(0x61), size, "RASTER INTERRUPT:            %03X", static_cast<unsigned>(Ted.RasterCompare));

    std::snprintf(line(0x6D), size, "VIDEO MATRIX:               %04X", (Reg(0xFF14) & 0xF8) << 8);
    std::snprintf(line(0x6D), size, "CHR GENERATOR:              %04X %s", (Reg(0xFF13) & 0xFC) << 8,
                  (Reg(0xFF12) & 0x04) ? "ROM" : "RAM");

    std::snprintf(line(0x6F), size, "HORIZONTAL SHIFT:           %s/%1X", (Reg(0xFF07) & 0x08) ? "40" : "38",
                  Reg(0xFF07) & 7);
    std::snprintf(line(0x6F), size, "VERTICAL SHIFT:             %s/%1X", (Reg(0xFF06) & 0x08) ? "25" : "24",
                  Reg(0xFF06) & 7);

    std::snprintf(line(0x69), size, "SLOW MODE BIT:               %s", RightOnOff(Reg(0xFF13) & 0x02));
    std::snprintf(line(0x69), size, "ROM STATUS:             %s", (Reg(0xFF13) & 0x01) ? " ENABLED" : "DISABLED");

    std::snprintf(line(0x66), size, "COLOR #0 #1 #2 #3    %02X %02X %02X %02X", Reg(0xFF15), Reg(0xFF16),
                  Reg(0xFF17), Reg(0xFF18));
    std::snprintf(line(0x66), size, "BORDER COLOR #4               %02X", Reg(0xFF19));

    std::snprintf(line(0x64), size, "EXTENDED-COLOR MODE:         %s", RightOnOff(Reg(0xFF06) & 0x40));
    std::snprintf(line(0x64), size, "MULTI-COLOR MODE:            %s", RightOnOff(Reg(0xFF07) & 0x10));
    std::snprintf(line(0x64), size, "HIRES MODE:                  %s", RightOnOff(Reg(0xFF06) & 0x20));
    std::snprintf(line(0x64), size, "REVERSE MODE:                %s", RightOnOff(Reg(0xFF07) & 0x80));

    unsigned control = Reg(0xFF11);
    std::snprintf(line(0x63), size, "VOLUME:                        %01X", control & 0x0F);
    std::snprintf(line(0x63), size, "SOUND OSCILLATOR #1:        %04X %s", static_cast<unsigned>(SoundRegs.Voice1Frequency),
                  OnOff(control & 0x10));
    const char* voice2 = (control & 0x60) == 0 ? "OFF  " : (control & 0x40) ? "NOISE" : "ON   ";
    std::snprintf(line(0x63), size, "SOUND OSCILLATOR #2:        %04X %s", static_cast<unsigned>(SoundRegs.Voice2Frequency),
                  voice2);
}
