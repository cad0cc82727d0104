#include "ted/registers.h"

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "sound/sound.h"
#include "ted/irq_line.h"
#include "ted/line_setup.h"
#include "ted/ted_names.h"
#include "sound/ted_sound.h"

namespace {

inline uint8_t Stored(uint8_t reg) { return Ram64[0xFF00 + reg]; }

// The TED's line counter as the registers show it.
inline uint16_t CurrentLineCounter() { return LineCounterTable[Ted.RasterLine]; }

// Character position of the current text row, from the line counter three
// lines earlier.  The first three lines of the table take their counter from
// the end of the previous frame.
uint16_t CharacterPosition()
{
    unsigned earlier = (Ted.RasterLine + 312 - 3) % 312;
    uint16_t c = LineCounterTable[earlier];
    return static_cast<uint16_t>((c >> 3) * 40);
}

uint8_t VerticalSubAddress()
{
    uint16_t c = CurrentLineCounter();
    if (c < 3)
        return 7;
    if (c <= 203)
        return static_cast<uint8_t>((c - 3) & 7);
    return 0;
}

void WriteTimerLow(int32_t& counter, uint16_t& latch, uint8_t& running, uint8_t value)
{
    latch = static_cast<uint16_t>((latch & 0xFF00) | value);
    counter = (counter & 0xFF00) | value;
    running = 0;
}

void WriteTimerHigh(int32_t& counter, uint16_t& latch, uint8_t& running, uint8_t value)
{
    latch = static_cast<uint16_t>((latch & 0x00FF) | (value << 8));
    counter = latch;
    running = 1;
}

inline uint8_t LimitVolume(uint8_t volume) { return volume > 8 ? 8 : volume; }

// Sample output: recorded only; it makes no sound here.
void RecordDigi(uint8_t value)
{
    SoundRegs.DigiVolume = LimitVolume(value & 0x0F);
    SoundRegs.DigiChannels = (value >> 4) & 3;
    switch (SoundRegs.DigiChannels) {
    case 0: SoundRegs.DigiLevel = 0; break;
    case 3: SoundRegs.DigiLevel = static_cast<uint16_t>(2 * SoundRegs.DigiVolume); break;
    default: SoundRegs.DigiLevel = SoundRegs.DigiVolume; break;
    }
}

void WriteSoundControl(uint8_t value)
{
    if (value & 0x80) {
        RecordDigi(value);
        return;
    }
    uint8_t changed = value ^ SoundRegs.LastSoundControl;
    if (changed & 0x0F) {
        SoundRegs.SoundVolume = LimitVolume(value & 0x0F);
        SetVoice1Volume(SoundRegs.SoundVolume);
        SetVoice2Volume(SoundRegs.SoundVolume);
    }
    if (changed & 0x10)
        UpdateVoice1();
    if (changed & 0x60)
        UpdateVoice2();
    SoundRegs.LastSoundControl = value;
}

void WriteRegisterValue(uint8_t reg, uint8_t value);

}  // namespace

void ReapplySoundRegisters()
{
    const uint8_t control = Stored(0x11);
    SoundRegs.Voice1Frequency = static_cast<uint16_t>(Stored(0x0E) | ((Stored(0x12) & 3) << 8));
    SoundRegs.Voice2Frequency = static_cast<uint16_t>(Stored(0x0F) | ((Stored(0x10) & 3) << 8));
    SoundRegs.SoundVolume = LimitVolume(control & 0x0F);
    SoundRegs.LastSoundControl = control;
    if (control & 0x80)
        RecordDigi(control);
    UpdateVoice1();
    UpdateVoice2();
}

uint8_t ReadTedRegister(uint8_t reg)
{
    const bool measured = Ted.ModelInUse == 1;
    if (measured) {
        CatchUpToAccess();   // the read sees the TED as on its own cycle
        if (reg >= 0x1A)
            return MeasuredCounterRead(reg);
    }
    if (reg <= 0x05)
        SettleTimers();
    switch (reg) {
    case 0x00: return static_cast<uint8_t>(Ted.Timer1Counter);
    case 0x01: return static_cast<uint8_t>(Ted.Timer1Counter >> 8);
    case 0x02: return static_cast<uint8_t>(Ted.Timer2Counter);
    case 0x03: return static_cast<uint8_t>(Ted.Timer2Counter >> 8);
    case 0x04: return static_cast<uint8_t>(Ted.Timer3Counter);
    case 0x05: return static_cast<uint8_t>(Ted.Timer3Counter >> 8);
    case 0x09: return Stored(reg) | 0x25;
    case 0x0A: return static_cast<uint8_t>((Stored(reg) & 0xFE) | 0xA0 | ((Ted.RasterCompare >> 8) & 1));
    case 0x0B: return static_cast<uint8_t>(Ted.RasterCompare);
    case 0x0C: return Stored(reg) | 0xFC;
    case 0x10: return (Stored(reg) & 0x03) | 0x7C;
    case 0x12: return Stored(reg) | 0xC0;
    case 0x13:
        return static_cast<uint8_t>(Stored(reg) | (Ted.RomEnabled ? ted::CharRomState : 0) |
                                    (Ted.SingleClock ? ted::CharSingleClock : 0));
    case 0x1A: {
        uint16_t p = CharacterPosition();
        return p < 1000 ? static_cast<uint8_t>((p >> 8) | 0xFC) : 0xFF;
    }
    case 0x1B: {
        uint16_t p = CharacterPosition();
        return p < 1000 ? static_cast<uint8_t>(p) : 0xE8;
    }
    case 0x1C: return static_cast<uint8_t>((CurrentLineCounter() >> 8) | 0xFE);
    case 0x1D: return static_cast<uint8_t>(CurrentLineCounter());
    case 0x1E: return static_cast<uint8_t>(ColumnTable[Ted.LinePosition]);
    case 0x1F: return static_cast<uint8_t>(VerticalSubAddress() | (Ted.FlashCounter << ted::BlinkShift) | 0x80);
    default: return Stored(reg);   // 0x06-0x08, 0x0D-0x0F, 0x11, 0x14-0x19
    }
}

void WriteTedRegister(uint8_t reg, uint8_t value)
{
    const bool measured = Ted.ModelInUse == 1;
    if (measured)
        BeforeMeasuredWrite();   // on the write's own cycle, the picture drawn up to its cell
    // The timers, and the clock that drives them, change here.
    const bool timing = reg <= 0x05 || reg == 0x13;
    if (timing)
        SettleTimers();
    if (reg >= 0x0E && reg <= 0x12)
        TedSoundRegisterWrite(reg, value);   // the sound so far, made before the write lands
    WriteRegisterValue(reg, value);
    if (timing)
        SettleTimers();
    if (measured) {
        AfterMeasuredWrite(reg, value);
        if (reg == 0x0A || reg == 0x0B)
            Ted.RasterArmedAt = TedUnitsNow();
        if (reg == 0x09 || reg == 0x0A)
            IrqLineChanged(TedUnitsNow());   // on the write's own cycle
    }
    if (reg == 0x0A || reg == 0x0B)
        WorkOutNextLineEvent();   // the raster compare moved
    if (reg == 0x09 || reg == 0x0A)
        Ted.InterruptWatch = 1;   // requests acknowledged or enabled
}

namespace {

void WriteRegisterValue(uint8_t reg, uint8_t value)
{
    uint8_t& stored = Ram64[0xFF00 + reg];
    switch (reg) {
    case 0x00: WriteTimerLow(Ted.Timer1Counter, Ted.Timer1Latch, Ted.Timer1Running, value); break;
    case 0x01: WriteTimerHigh(Ted.Timer1Counter, Ted.Timer1Latch, Ted.Timer1Running, value); break;
    case 0x02: WriteTimerLow(Ted.Timer2Counter, Ted.Timer2Latch, Ted.Timer2Running, value); break;
    case 0x03: WriteTimerHigh(Ted.Timer2Counter, Ted.Timer2Latch, Ted.Timer2Running, value); break;
    case 0x04: WriteTimerLow(Ted.Timer3Counter, Ted.Timer3Latch, Ted.Timer3Running, value); break;
    case 0x05: WriteTimerHigh(Ted.Timer3Counter, Ted.Timer3Latch, Ted.Timer3Running, value); break;
    case 0x08: stored = ComputeKeyboardLatch(value); break;
    case 0x09: stored = static_cast<uint8_t>(stored & ~value); break;   // writing 1 acknowledges
    case 0x0A:
        // Bit 0 is the compare's bit 8.  The older model only ever adds
        // enable bits; the chip takes the value as written (the KERNAL's
        // tape code switches the timer 1 interrupt off again this way).
        Ted.RasterCompare = static_cast<uint16_t>((Ted.RasterCompare & 0xFF) | ((value & 1) << 8));
        stored = static_cast<uint8_t>((Config.Accuracy != 0 ? value : (stored | value)) & 0xFE);
        break;
    case 0x0B: Ted.RasterCompare = static_cast<uint16_t>((Ted.RasterCompare & 0x100) | value); break;
    case 0x0E:
        stored = value;
        SoundRegs.Voice1Frequency = static_cast<uint16_t>((SoundRegs.Voice1Frequency & 0x300) | value);
        UpdateVoice1();
        break;
    case 0x0F:
        stored = value;
        SoundRegs.Voice2Frequency = static_cast<uint16_t>((SoundRegs.Voice2Frequency & 0x300) | value);
        UpdateVoice2();
        break;
    case 0x10:
        stored = value | 0xFC;
        SoundRegs.Voice2Frequency = static_cast<uint16_t>((SoundRegs.Voice2Frequency & 0xFF) | ((value & 3) << 8));
        UpdateVoice2();
        break;
    case 0x11:
        stored = value;
        WriteSoundControl(value);
        break;
    case 0x12:
        stored = value;
        SoundRegs.Voice1Frequency = static_cast<uint16_t>((SoundRegs.Voice1Frequency & 0xFF) | ((value & 3) << 8));
        UpdateVoice1();
        break;
    case 0x13:
        stored = value & 0xFC;
        Ted.SingleClock = (value & 0x02) != 0;
        break;
    case 0x3E: Ted.RomEnabled = 1; break;
    case 0x3F: Ted.RomEnabled = 0; break;
    default: stored = value; break;
    }
}

}  // namespace
