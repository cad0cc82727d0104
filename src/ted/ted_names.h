// The TED's registers at 0xFF00-0xFF3F and the bit fields of each, by name.
// The core, the renderer and the debugger use these rather than bare numbers.
#pragma once
#include <cstdint>

namespace ted {

// Register addresses.
constexpr uint16_t Timer1Low = 0xFF00;         // timer 1, low byte (a write stops it)
constexpr uint16_t Timer1High = 0xFF01;        // timer 1, high byte (a write starts it)
constexpr uint16_t Timer2Low = 0xFF02;
constexpr uint16_t Timer2High = 0xFF03;
constexpr uint16_t Timer3Low = 0xFF04;
constexpr uint16_t Timer3High = 0xFF05;
constexpr uint16_t Control1 = 0xFF06;          // vertical scroll, rows, display, bitmap, extended colour
constexpr uint16_t Control2 = 0xFF07;          // horizontal scroll, columns, multicolour, TED off, NTSC, 256 chars
constexpr uint16_t KeyboardLatch = 0xFF08;
constexpr uint16_t IrqRequest = 0xFF09;        // interrupt requests; writing 1 acknowledges
constexpr uint16_t IrqEnable = 0xFF0A;         // interrupt enables; bit 0 is the raster compare's bit 8
constexpr uint16_t RasterCompareLow = 0xFF0B;  // raster compare, bits 0-7
constexpr uint16_t CursorHigh = 0xFF0C;        // cursor position, bits 8-9
constexpr uint16_t CursorLow = 0xFF0D;
constexpr uint16_t Voice1FrequencyLow = 0xFF0E;
constexpr uint16_t Voice2FrequencyLow = 0xFF0F;
constexpr uint16_t Voice2FrequencyHigh = 0xFF10;
constexpr uint16_t SoundControl = 0xFF11;
constexpr uint16_t BitmapBase = 0xFF12;        // bitmap base, glyphs from ROM, voice 1 frequency bits 8-9
constexpr uint16_t CharacterBase = 0xFF13;     // character generator base, single clock, ROM state
constexpr uint16_t MatrixBase = 0xFF14;        // video matrix base
constexpr uint16_t Background0 = 0xFF15;
constexpr uint16_t Background1 = 0xFF16;
constexpr uint16_t Background2 = 0xFF17;
constexpr uint16_t Background3 = 0xFF18;
constexpr uint16_t BorderColour = 0xFF19;
constexpr uint16_t CharPositionReloadHigh = 0xFF1A;   // character-position reload, bits 8-9
constexpr uint16_t CharPositionReloadLow = 0xFF1B;
constexpr uint16_t LineCounterHigh = 0xFF1C;   // vertical line counter, bit 8
constexpr uint16_t LineCounterLow = 0xFF1D;
constexpr uint16_t HorizontalPosition = 0xFF1E;   // the horizontal counter's upper 8 bits
constexpr uint16_t SubRowAndBlink = 0xFF1F;    // sub-row counter and blink counter
constexpr uint16_t RomSelect = 0xFF3E;         // any write: ROM in the upper windows
constexpr uint16_t RamSelect = 0xFF3F;         // any write: RAM in the upper windows

// Register numbers (address - 0xFF00), as the register file is indexed.
constexpr uint8_t RegisterNumber(uint16_t address) { return static_cast<uint8_t>(address - 0xFF00); }

// 0xFF06
constexpr uint8_t Ctrl1VerticalScroll = 0x07;
constexpr uint8_t Ctrl1Rows25 = 0x08;
constexpr uint8_t Ctrl1DisplayOn = 0x10;
constexpr uint8_t Ctrl1Bitmap = 0x20;
constexpr uint8_t Ctrl1ExtendedColour = 0x40;
constexpr uint8_t Ctrl1Test = 0x80;

// 0xFF07
constexpr uint8_t Ctrl2HorizontalScroll = 0x07;
constexpr uint8_t Ctrl2Columns40 = 0x08;
constexpr uint8_t Ctrl2Multicolour = 0x10;
constexpr uint8_t Ctrl2TedOff = 0x20;
constexpr uint8_t Ctrl2Ntsc = 0x40;
constexpr uint8_t Ctrl2Characters256 = 0x80;   // 256 characters, no reverse

// 0xFF09 and 0xFF0A
constexpr uint8_t IrqRaster = 0x02;
constexpr uint8_t IrqLightPen = 0x04;
constexpr uint8_t IrqTimer1 = 0x08;
constexpr uint8_t IrqTimer2 = 0x10;
constexpr uint8_t IrqTimer3 = 0x40;
constexpr uint8_t IrqActive = 0x80;            // 0xFF09: an enabled source requests
constexpr uint8_t IrqSources = IrqRaster | IrqTimer1 | IrqTimer2 | IrqTimer3;
constexpr uint8_t IrqEnableCompareBit8 = 0x01;

// 0xFF12
constexpr uint8_t BitmapVoice1High = 0x03;
constexpr uint8_t BitmapGlyphsFromRom = 0x04;
constexpr uint8_t BitmapBaseBits = 0x38;

// 0xFF13
constexpr uint8_t CharRomState = 0x01;
constexpr uint8_t CharSingleClock = 0x02;
constexpr uint8_t CharBase1K = 0xFC;
constexpr uint8_t CharBase2K = 0xF8;

// 0xFF14
constexpr uint8_t MatrixBaseBits = 0xF8;

// 0xFF1F
constexpr uint8_t SubRowBits = 0x07;
constexpr uint8_t BlinkShift = 3;

}  // namespace ted
