// The TED's two voices from the chip's own counters.  See ted_sound.h, and
// docs/hardware-notes.md ("Sound") for the choices where the measured facts
// are silent: the two edge register values, bit 7 of 0xFF11 and the levels.
#include "sound/ted_sound.h"

#include <algorithm>
#include <cmath>

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/sound_stream.h"
#include "ted/ted_clock.h"
#include "ui/menus.h"

TedSoundState TedSound;

// Measured (relative DC levels of 0xFF11 values): volume 8 full, 7 at 86%,
// 6 at 72%, codes 8-15 alike.  Below 6 the same step of 14% is carried on
// down to 0, which is silence.
const float TedVoiceLevel[16] = {
    0.00f, 0.02f, 0.16f, 0.30f, 0.44f, 0.58f, 0.72f, 0.86f,
    1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f,
};

namespace {

constexpr uint16_t HeldHigh = 0x3FE;        // this value holds the voice's output at 1
constexpr uint8_t ControlVoice1 = 0x10;
constexpr uint8_t ControlVoice2 = 0x20;
constexpr uint8_t ControlNoise = 0x40;
constexpr uint8_t ControlHold = 0x80;       // "SNDDC": both outputs held at 1
// Further than this from the last stamp is a jump, not time the machine ran.
constexpr uint64_t LongestSpan = 4 * 312 * 57;

// Sound clocks from a reload to the next run-over: the counter counts up
// from the register value to 0x3FF.  0x3FF itself counts the whole range.
inline uint16_t HalfPeriod(uint16_t reload)
{
    return reload == 0x3FF ? 1024 : static_cast<uint16_t>(1024 - reload);
}

inline bool Holding() { return (TedSound.Control & ControlHold) != 0; }

// A voice's counter runs over (and so ends a span) unless the output is held.
inline bool Counts(const TedVoice& v) { return v.Reload != HeldHigh; }

// Taps 7, 5, 4 and 1 fed back inverted (XNOR) into bit 0: 255 states.
inline void ShiftNoise()
{
    const uint8_t n = TedSound.Noise;
    const uint8_t feedback = static_cast<uint8_t>(~((n >> 7) ^ (n >> 5) ^ (n >> 4) ^ (n >> 1)) & 1);
    TedSound.Noise = static_cast<uint8_t>((n << 1) | feedback);
}

void SendBlock()
{
    if (TedSound.BlockFill > 0 && g_pDS)
        SoundStreamWrite(g_pDS, TedSound.Block, TedSound.BlockFill);
    TedSound.BlockFill = 0;
}

// `count` sound clocks at `level`: one more run, or a longer last one.
void Emit(float level, uint64_t count)
{
    if (count == 0)
        return;
    if (TedSound.BlockFill > 0) {
        SoundLevelRun& last = TedSound.Block[TedSound.BlockFill - 1];
        if (last.level == level && last.clocks + count <= UINT32_MAX) {
            last.clocks += static_cast<uint32_t>(count);
            return;
        }
    }
    if (TedSound.BlockFill == TedSoundBlockSize)
        SendBlock();
    TedSound.Block[TedSound.BlockFill++] = {level, static_cast<uint32_t>(count)};
}

// What 0xFF11 and the register values make of the two outputs, worked out
// once per catch-up: nothing in it changes between writes.
struct Gates {
    float volume;
    uint8_t voice1, voice2;     // 1 when the voice is heard
    uint8_t held1, held2;       // 1 when its output is held at 1
    uint8_t noise;              // voice 2 plays the shift register
};

Gates WorkOutGates()
{
    const uint8_t c = TedSound.Control;
    Gates g;
    // Sound off, or switched off in the options menu: the counters run on,
    // unheard.
    g.volume = Config.SoundEmulation == 1 && SoundOn == 1 ? TedVoiceLevel[c & 0x0F] : 0.0f;
    g.voice1 = (c & ControlVoice1) != 0;
    g.voice2 = (c & (ControlVoice2 | ControlNoise)) != 0;
    g.noise = (c & ControlNoise) != 0;
    g.held1 = Holding() || TedSound.Voice[0].Reload == HeldHigh;
    g.held2 = Holding() || TedSound.Voice[1].Reload == HeldHigh;
    return g;
}

inline float LevelOf(const Gates& g)
{
    const uint8_t out1 = g.held1 | TedSound.Voice[0].Output;
    const uint8_t out2 = g.held2 | (g.noise ? (TedSound.Noise & 1) : TedSound.Voice[1].Output);
    return g.volume * static_cast<float>((g.voice1 & out1) + (g.voice2 & out2));
}

// The same with the voices marked in `mean` heard as their average, half.
inline float LevelOf(const Gates& g, const bool mean[2])
{
    const float out1 = mean[0] ? 0.5f : static_cast<float>(g.held1 | TedSound.Voice[0].Output);
    const float out2 = mean[1] ? 0.5f : static_cast<float>(g.held2 | (g.noise ? (TedSound.Noise & 1) : TedSound.Voice[1].Output));
    return g.volume * (static_cast<float>(g.voice1) * out1 + static_cast<float>(g.voice2) * out2);
}

// A square wave whose tone lies above the device's filter leaves nothing
// of itself in the output but its mean: such a voice is handed over as
// half its level instead of two edges every few sound clocks.  The limit
// follows the filter the device has made (its stop band, from the device's
// rate); until there is one, every edge is drawn.
uint16_t MeanBelow()
{
    const float stopBand = StreamStopBandHz();
    if (stopBand != TedSound.MeanBelowFor) {
        TedSound.MeanBelowFor = stopBand;
        // f = rate / (2 * half) above the stop band: half < rate / (2 * stop band).
        const double limit = stopBand > 0.0f ? TedSound.RateSent / (2.0 * stopBand) : 0.0;
        TedSound.MeanBelow = static_cast<uint16_t>(std::clamp(std::ceil(limit), 0.0, 1024.0));
    }
    return TedSound.MeanBelow;
}

// Voice i's counter runs `ticks` sound clocks, running over as often as it
// does on the way.
void AdvanceVoice(int i, uint64_t ticks)
{
    TedVoice& v = TedSound.Voice[i];
    if (ticks < v.Remaining) {
        v.Remaining = static_cast<uint16_t>(v.Remaining - ticks);
        return;
    }
    const uint64_t half = HalfPeriod(v.Reload);
    const uint64_t after = ticks - v.Remaining;
    if (after < half) {   // once: the usual case, without dividing
        v.Remaining = static_cast<uint16_t>(half - after);
        v.Output ^= 1;
        if (i == 1)
            ShiftNoise();
        return;
    }
    const uint64_t overs = 1 + after / half;
    v.Remaining = static_cast<uint16_t>(half - after % half);
    v.Output ^= static_cast<uint8_t>(overs & 1);
    // The shift register comes back to where it was every 255 shifts.
    if (i == 1)
        for (uint64_t n = overs % 255; n > 0; n--)
            ShiftNoise();
}

// `ticks` sound clocks, in spans that end where a voice that is heard runs
// over; voices not heard just count.
void RunSoundClocks(uint64_t ticks)
{
    if (Holding()) {
        Emit(TedSoundLevel(), ticks);
        return;
    }
    const Gates gates = WorkOutGates();
    const bool audible = gates.volume > 0.0f;
    const bool heard[2] = {audible && gates.voice1 && !gates.held1 && Counts(TedSound.Voice[0]),
                           audible && gates.voice2 && !gates.held2 && Counts(TedSound.Voice[1])};
    // A square voice above the filter, once it counts its short half
    // period (a new register value is taken at the next run-over).
    const uint16_t meanBelow = MeanBelow();
    const bool fast[2] = {heard[0] && HalfPeriod(TedSound.Voice[0].Reload) < meanBelow,
                          heard[1] && !gates.noise && HalfPeriod(TedSound.Voice[1].Reload) < meanBelow};
    while (ticks > 0) {
        bool mean[2];
        uint64_t span = ticks;
        for (int i = 0; i < 2; i++) {
            const TedVoice& v = TedSound.Voice[i];
            mean[i] = fast[i] && v.Remaining <= HalfPeriod(v.Reload);
            if (heard[i] && !mean[i])
                span = std::min<uint64_t>(span, v.Remaining);
        }
        Emit(LevelOf(gates, mean), span);
        ticks -= span;
        for (int i = 0; i < 2; i++)
            if (Counts(TedSound.Voice[i]))
                AdvanceVoice(i, span);
    }
}

void SetReload(TedVoice& v, uint16_t reload)
{
    reload &= 0x3FF;
    // Held at 0x3FE the counter reloads every sound clock; it runs over on
    // the first clock after the value changes.
    if (v.Reload == HeldHigh && reload != HeldHigh)
        v.Remaining = 1;
    v.Reload = reload;
}

void SetControl(uint8_t value)
{
    // While bit 7 is set both counters wait at their register values with
    // their outputs at 1; they count on from there when it clears.
    if (value & ControlHold)
        for (TedVoice& v : TedSound.Voice) {
            v.Output = 1;
            v.Remaining = HalfPeriod(v.Reload);
        }
    TedSound.Control = value;
}

void ApplyRegister(uint8_t reg, uint8_t value)
{
    TedVoice& v1 = TedSound.Voice[0];
    TedVoice& v2 = TedSound.Voice[1];
    switch (reg) {
    case 0x0E: SetReload(v1, static_cast<uint16_t>((v1.Reload & 0x300) | value)); break;
    case 0x0F: SetReload(v2, static_cast<uint16_t>((v2.Reload & 0x300) | value)); break;
    case 0x10: SetReload(v2, static_cast<uint16_t>((v2.Reload & 0xFF) | ((value & 3) << 8))); break;
    case 0x11: SetControl(value); break;
    case 0x12: SetReload(v1, static_cast<uint16_t>((v1.Reload & 0xFF) | ((value & 3) << 8))); break;
    default: break;
    }
}

// The device learns the chip's rate: a quarter of the single clock.
void SendRate()
{
    const double rate = SingleClockHz() / 4.0;
    if (rate != TedSound.RateSent && g_pDS && SoundStreamSetRate(g_pDS, rate) == DS_OK)
        TedSound.RateSent = rate;
}

}  // namespace

bool TedSoundActive() { return Config.Accuracy != 0 && g_pDS != nullptr; }

float TedSoundLevel() { return LevelOf(WorkOutGates()); }

void TedSoundCatchUp(uint64_t singleClock)
{
    if (!TedSound.Running || singleClock < TedSound.GeneratedTo ||
        singleClock - TedSound.GeneratedTo > LongestSpan) {
        TedSound.GeneratedTo = singleClock;
        TedSound.Running = 1;
        return;
    }
    // One sound clock on every fourth single clock.
    const uint64_t ticks = singleClock / 4 - TedSound.GeneratedTo / 4;
    TedSound.GeneratedTo = singleClock;
    if (TedSoundActive())
        RunSoundClocks(ticks);
}

void TedSoundRegisterWrite(uint8_t reg, uint8_t value)
{
    TedSoundCatchUp(SingleClockNow());
    ApplyRegister(reg, value);
}

void TedSoundFrameEnd()
{
    if (!TedSoundActive())
        return;
    SendRate();
    TedSoundCatchUp(SingleClockNow());
    SendBlock();
}

void TedSoundLoadRegisters()
{
    const uint8_t* r = Ram64 + 0xFF00;
    SetReload(TedSound.Voice[0], static_cast<uint16_t>(r[0x0E] | ((r[0x12] & 3) << 8)));
    SetReload(TedSound.Voice[1], static_cast<uint16_t>(r[0x0F] | ((r[0x10] & 3) << 8)));
    if (r[0x11] != TedSound.Control)
        SetControl(r[0x11]);
}

void TedSoundStart()
{
    TedSound.RateSent = 0;
    TedSoundLoadRegisters();
    TedSoundCatchUp(SingleClockNow());   // the generator's clock starts here
    if (TedSoundActive())
        SendRate();
}
