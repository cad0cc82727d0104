#include <cstdio>

#include "debugger/debugger_text.h"
#include "machine/machine_state.h"
#include "ted/memory_map.h"
#include "ted/ted_names.h"

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
    using namespace ted;
    int n = 0;
    auto line = [&](uint8_t ink) -> char* {
        lines[n].row = static_cast<uint8_t>(2 + n);
        lines[n].ink = ink;
        return lines[n++].text;
    };
    constexpr size_t size = sizeof lines[0].text;

    std::snprintf(line(0x68), size, "TIMER1:                %04X/%04X %s", static_cast<unsigned>(Ted.Timer1Latch),
                  Counter(Timer1Low), OnOff(Ted.Timer1Running));
    std::snprintf(line(0x68), size, "TIMER2:                %04X/%04X %s", static_cast<unsigned>(Ted.Timer2Latch),
                  Counter(Timer2Low), OnOff(Ted.Timer2Running));
    std::snprintf(line(0x68), size, "TIMER3:                %04X/%04X %s", static_cast<unsigned>(Ted.Timer3Latch),
                  Counter(Timer3Low), OnOff(Ted.Timer3Running));

    // The cursor is off the screen (hidden) at position 1000 and beyond.
    unsigned cursor = ((Reg(CursorHigh) & 3) << 8) | Reg(CursorLow);
    std::snprintf(line(0x61), size, "CURSOR POSITION:             %03X %s", cursor, OnOff(cursor < 1000));
    std::snprintf(line(0x61), size, "BEAM X/Y:                 %02X/%03X", Reg(HorizontalPosition),
                  ((Reg(LineCounterHigh) & 1) << 8) | Reg(LineCounterLow));
    std::snprintf(line(0x61), size, "RASTER INTERRUPT:            %03X", static_cast<unsigned>(Ted.RasterCompare));

    std::snprintf(line(0x6D), size, "VIDEO MATRIX:               %04X", (Reg(MatrixBase) & MatrixBaseBits) << 8);
    std::snprintf(line(0x6D), size, "CHR GENERATOR:              %04X %s", (Reg(CharacterBase) & CharBase1K) << 8,
                  (Reg(BitmapBase) & BitmapGlyphsFromRom) ? "ROM" : "RAM");

    std::snprintf(line(0x6F), size, "HORIZONTAL SHIFT:           %s/%1X", (Reg(Control2) & Ctrl2Columns40) ? "40" : "38",
                  Reg(Control2) & Ctrl2HorizontalScroll);
    std::snprintf(line(0x6F), size, "VERTICAL SHIFT:             %s/%1X", (Reg(Control1) & Ctrl1Rows25) ? "25" : "24",
                  Reg(Control1) & Ctrl1VerticalScroll);

    std::snprintf(line(0x69), size, "SLOW MODE BIT:               %s", RightOnOff(Reg(CharacterBase) & CharSingleClock));
    std::snprintf(line(0x69), size, "ROM STATUS:             %s", (Reg(CharacterBase) & CharRomState) ? " ENABLED" : "DISABLED");

    std::snprintf(line(0x66), size, "COLOR #0 #1 #2 #3    %02X %02X %02X %02X", Reg(Background0), Reg(Background1),
                  Reg(Background2), Reg(Background3));
    std::snprintf(line(0x66), size, "BORDER COLOR #4               %02X", Reg(BorderColour));

    std::snprintf(line(0x64), size, "EXTENDED-COLOR MODE:         %s", RightOnOff(Reg(Control1) & Ctrl1ExtendedColour));
    std::snprintf(line(0x64), size, "MULTI-COLOR MODE:            %s", RightOnOff(Reg(Control2) & Ctrl2Multicolour));
    std::snprintf(line(0x64), size, "HIRES MODE:                  %s", RightOnOff(Reg(Control1) & Ctrl1Bitmap));
    std::snprintf(line(0x64), size, "REVERSE MODE:                %s", RightOnOff(Reg(Control2) & Ctrl2Characters256));

    unsigned control = Reg(SoundControl);
    std::snprintf(line(0x63), size, "VOLUME:                        %01X", control & 0x0F);
    std::snprintf(line(0x63), size, "SOUND OSCILLATOR #1:        %04X %s", static_cast<unsigned>(SoundRegs.Voice1Frequency),
                  OnOff(control & 0x10));
    const char* voice2 = (control & 0x60) == 0 ? "OFF  " : (control & 0x40) ? "NOISE" : "ON   ";
    std::snprintf(line(0x63), size, "SOUND OSCILLATOR #2:        %04X %s", static_cast<unsigned>(SoundRegs.Voice2Frequency),
                  voice2);
}
