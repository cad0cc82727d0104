// The TED's two voices from the chip's own counters.  See ted_sound.h, and
// docs/hardware-notes.md ("Sound") for the choices where the measured facts
// are silent: the two edge register values, bit 7 of 0xFF11 and the levels.
#include "sound/ted_sound.h"

#include <algorithm>
#include <array>
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

// Run-overs of voice 2's counter from a shift register state until its
// output bit next changes (at most 8 in the 255-state sequence; the all-ones
// state, which never changes, is cut off at 255).
// With `after` set, the state the register is in after those run-overs.
constexpr std::array<uint8_t, 256> MakeNoiseRuns(bool after)
{
    std::array<uint8_t, 256> runs{};
    for (unsigned state = 0; state < 256; state++) {
        uint8_t n = static_cast<uint8_t>(state);
        unsigned k = 0;
        do {
            const uint8_t feedback = static_cast<uint8_t>(~((n >> 7) ^ (n >> 5) ^ (n >> 4) ^ (n >> 1)) & 1);
            n = static_cast<uint8_t>((n << 1) | feedback);
            k++;
        } while ((n & 1) == (state & 1) && k < 255);
        runs[state] = static_cast<uint8_t>(after ? n : k);
    }
    return runs;
}
constexpr std::array<uint8_t, 256> NoiseRuns = MakeNoiseRuns(false);
constexpr std::array<uint8_t, 256> NoiseAfterRun = MakeNoiseRuns(true);

void SendBlock()
{
    if (TedSound.BlockFill > 0 && g_pDS)
        SoundStreamWrite(g_pDS, TedSound.Block, TedSound.BlockFill);
    TedSound.BlockFill = 0;
}

// `count` sound clocks at `level`: one more run, or a longer last one.
inline void Emit(float level, uint64_t count)
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

// A voice handed over as its mean leaves out its square wave around the
// mean, c = +-1/2.  Heard at a level that changes by g (a volume write, a
// voice switched), what that leaves out in the audible band is, around the
// change, -g (C1 impulse + C2 its derivative + C3 its second derivative +
// ...), Ck being c summed k times over from the places where each sum is
// at its mean.  The first three terms come in as the levels of the next
// three sound clocks (their centres half a clock, one and a half and two and
// a half clocks after the change), which leaves what is left about 44 dB
// under the sound of sample playback over a voice at 0x3FD.
inline void SetMeanGain(int i, float gain, uint16_t half)
{
    if (gain == TedSound.MeanGain[i])
        return;
    if (gain != 0.0f)
        TedSound.MeanHalf[i] = half;
    const TedVoice& v = TedSound.Voice[i];
    // Through a half period of h clocks, r of them still to come.
    const float h = TedSound.MeanHalf[i], r = v.Remaining, e = h - r;
    const float sign = v.Output ? 1.0f : -1.0f;
    const float c1 = sign * (h / 4.0f - r / 2.0f);
    const float c2 = -sign * r * e / 4.0f;
    const float c3 = sign * (h * h * h * (1.0f / 48.0f) - (h * e * e / 2.0f - e * e * e * (1.0f / 3.0f)) / 4.0f);
    const float g = gain - TedSound.MeanGain[i];
    // Pulses x0-x2 at -1, 0, +1 around the middle one: their sum, first
    // and second moments.
    const float sum = -g * c1;
    const float first = g * c2 - 1.5f * sum;
    const float second = -2.0f * g * c3 - 3.0f * (first + 1.5f * sum) + 2.25f * sum;
    TedSound.Pulse[0] += (second - first) / 2.0f;
    TedSound.Pulse[1] += sum - second;
    TedSound.Pulse[2] += (second + first) / 2.0f;
    TedSound.MeanGain[i] = gain;
}

// `count` sound clocks at `level`, the first three with the pulses added.
inline void EmitWithPulse(float level, uint64_t count)
{
    float* pulse = TedSound.Pulse;
    if (pulse[0] != 0.0f || pulse[1] != 0.0f || pulse[2] != 0.0f) {
        const float p[3] = {pulse[0], pulse[1], pulse[2]};
        const uint64_t n = std::min<uint64_t>(count, 3);
        for (uint64_t k = 0; k < 3; k++)
            if (k < n)
                Emit(level + p[k], 1);
            else
                pulse[k - n] = p[k];
        for (uint64_t k = 3 - n; k < 3; k++)
            pulse[k] = 0.0f;
        count -= n;
    }
    Emit(level, count);
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
    // A few run-overs (a voice above the filter, handed over as its mean,
    // between two writes) are counted without dividing.
    uint64_t overs = 1, rest = after;
    if (after < 16 * half) {
        for (; rest >= half; rest -= half)
            overs++;
    } else {
        overs += after / half;
        rest = after % half;
    }
    v.Remaining = static_cast<uint16_t>(half - rest);
    v.Output ^= static_cast<uint8_t>(overs & 1);
    // The shift register comes back to where it was every 255 shifts.
    if (i == 1)
        for (uint64_t n = overs % 255; n > 0; n--)
            ShiftNoise();
}

// `ticks` sound clocks of voice 2's noise, with voice 1 not heard or heard
// as its mean (`mean1`): a run from one change of the noise to the next at a
// time, from two tables; voice 1 counts on at the end.
void NoiseAlone(const Gates& gates, bool mean1, uint64_t ticks)
{
    const bool mean[2] = {mean1, false};
    SetMeanGain(0, mean1 ? gates.volume : 0.0f, HalfPeriod(TedSound.Voice[0].Reload));
    SetMeanGain(1, 0.0f, 0);
    TedVoice& v = TedSound.Voice[1];
    const uint64_t half = HalfPeriod(v.Reload);
    uint64_t left = ticks;
    for (;;) {
        const uint8_t run = NoiseRuns[TedSound.Noise];
        const uint64_t change = v.Remaining + (run - 1u) * half;
        if (change > left)
            break;
        EmitWithPulse(LevelOf(gates, mean), change);
        left -= change;
        v.Remaining = static_cast<uint16_t>(half);
        v.Output ^= run & 1;
        TedSound.Noise = NoiseAfterRun[TedSound.Noise];
    }
    if (left > 0) {   // short of the next change
        EmitWithPulse(LevelOf(gates, mean), left);
        AdvanceVoice(1, left);
    }
    if (Counts(TedSound.Voice[0]))
        AdvanceVoice(0, ticks);
}

// `ticks` sound clocks, in spans that end where a voice that is heard runs
// over; voices not heard just count.
void RunSoundClocks(uint64_t ticks)
{
    if (Holding()) {
        EmitWithPulse(TedSoundLevel(), ticks);
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
    // The noise is heard to change only at the run-overs where its bit
    // does: a span runs on over the others.
    const bool noiseHeard = heard[1] && gates.noise;
    const TedVoice& v1 = TedSound.Voice[0];
    if (noiseHeard && (!heard[0] || (fast[0] && v1.Remaining <= HalfPeriod(v1.Reload)))) {
        NoiseAlone(gates, heard[0], ticks);
        return;
    }
    while (ticks > 0) {
        bool mean[2];
        uint64_t span = ticks;
        for (int i = 0; i < 2; i++) {
            const TedVoice& v = TedSound.Voice[i];
            mean[i] = fast[i] && v.Remaining <= HalfPeriod(v.Reload);
            SetMeanGain(i, mean[i] ? gates.volume : 0.0f, HalfPeriod(v.Reload));
            if (heard[i] && !mean[i] && !(i == 1 && noiseHeard))
                span = std::min<uint64_t>(span, v.Remaining);
        }
        uint32_t noiseRun = 0;
        uint64_t noiseChange = 0;
        if (noiseHeard) {
            const TedVoice& v = TedSound.Voice[1];
            noiseRun = NoiseRuns[TedSound.Noise];
            noiseChange = v.Remaining + uint64_t{noiseRun - 1} * HalfPeriod(v.Reload);
            span = std::min(span, noiseChange);
        }
        EmitWithPulse(LevelOf(gates, mean), span);
        ticks -= span;
        if (Counts(TedSound.Voice[0]))
            AdvanceVoice(0, span);
        if (span == noiseChange) {   // the noise changes: noiseRun run-overs, the last just now
            TedVoice& v = TedSound.Voice[1];
            v.Remaining = HalfPeriod(v.Reload);
            v.Output ^= static_cast<uint8_t>(noiseRun & 1);
            for (uint32_t k = 0; k < noiseRun; k++)
                ShiftNoise();
        } else if (Counts(TedSound.Voice[1])) {
            AdvanceVoice(1, span);
        }
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
    if (value & ControlHold) {
        SetMeanGain(0, 0.0f, 0);
        SetMeanGain(1, 0.0f, 0);
    }
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
    if (rate != TedSound.RateSent && g_pDS && SoundStreamSetRate(g_pDS, rate) == DS_OK) {
        TedSound.RateSent = rate;
        TedSound.MeanBelowFor = -1.0f;   // the limit is worked out again for the new rate
    }
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
