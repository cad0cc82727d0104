#include "platform/sound_stream.h"

#include <algorithm>
#include <cmath>

#include "machine/log.h"

namespace {

constexpr int Taps = StreamStepTaps;
constexpr int Phases = StreamStepPhases;
// Levels converted at a time: the pending samples hold what they reach.
constexpr uint32_t ChunkLevels = 1024;
// Pending samples that make the writer send what is finished.
constexpr uint64_t FinishAt = 1024;
constexpr int FractionBits = 32;
constexpr int PhaseBits = 7;                           // Phases = 128
constexpr int WeightBits = FractionBits - PhaseBits;
static_assert(StreamStepPhases == 1 << PhaseBits);
constexpr size_t PendingSamples = 4096 + 2 * Taps;
// Steps follow one another into the ripple in turn through this many
// banks: a step close behind the last one then does not read samples that
// the last one is still writing (at a place one sample off, which the
// processor cannot forward), and waits for nothing.
constexpr uint32_t RippleBanks = 4;
constexpr double KaiserBeta = 8.0;   // about 80 dB down outside the pass band
// The pass band ends at the limit of hearing, or at the device's Nyquist
// limit when that is lower.
constexpr double HearingLimitHz = 22050.0;
constexpr double Pi = 3.14159265358979323846;
// The Kaiser window's transition from pass band to stop band, in cycles per
// output sample: (A - 7.95) / (2.285 * 2 pi * Taps) with A = beta / 0.1102
// + 8.7 dB (81.3 dB at beta 8), about 0.08.  The cut-off lies in its middle.
constexpr double TransitionWidth =
    (KaiserBeta / 0.1102 + 8.7 - 7.95) / (2.285 * 2.0 * Pi * Taps);

std::atomic<float> StopBandHz{0.0f};

double BesselI0(double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 40; k++) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// The band-limited step, minus the plain step, at Phases places between
// output samples: row p, column k is the ripple at k - Taps/2 + 1 - p/Phases
// samples after the change.
void BuildStepTable(SoundStream& s, uint32_t outputRate)
{
    const double cutoff = std::min(0.5, HearingLimitHz / outputRate);   // cycles per output sample
    const int points = Taps * Phases + 1;
    std::vector<double> impulse(points), integral(points);
    const double half = Taps / 2.0;
    for (int g = 0; g < points; g++) {
        const double t = static_cast<double>(g) / Phases - half;
        const double x = 2.0 * cutoff * t;
        const double sinc = x == 0.0 ? 1.0 : std::sin(Pi * x) / (Pi * x);
        const double r = t / half;
        const double window = BesselI0(KaiserBeta * std::sqrt(std::max(0.0, 1.0 - r * r))) / BesselI0(KaiserBeta);
        impulse[g] = sinc * window;
    }
    integral[0] = 0.0;
    for (int g = 1; g < points; g++)
        integral[g] = integral[g - 1] + (impulse[g - 1] + impulse[g]) / 2.0;
    const double total = integral[points - 1];
    s.stepTable.assign(static_cast<size_t>(Phases + 1) * Taps, 0.0f);
    for (int p = 0; p <= Phases; p++)
        for (int k = 0; k < Taps; k++) {
            // The plain step counts from the first sample after the change.
            // Each pair of neighbouring rows brackets the change's place, so
            // at the one point where the step is exactly 0 after the change,
            // the last row (the change just before a sample) takes it as
            // already counted, and row 0 (the change on a sample) does not.
            const int g = (k + 1) * Phases - p;
            const int zero = Taps / 2 * Phases;
            const double plain = g > zero || (g == zero && p == Phases) ? 1.0 : 0.0;
            s.stepTable[static_cast<size_t>(p) * Taps + k] = static_cast<float>(integral[g] / total - plain);
        }
    s.filterRate = outputRate;
    StopBandHz.store(static_cast<float>((cutoff + TransitionWidth / 2.0) * outputRate), std::memory_order_relaxed);
    s.step = outputRate / s.inputRate;
    s.highPassPole = static_cast<float>(std::exp(-2.0 * Pi * StreamHighPassHz / outputRate));
    std::fill(s.ripple.begin(), s.ripple.end(), 0.0f);
    std::fill(s.changes.begin(), s.changes.end(), 0.0f);
    s.position = uint64_t{Taps / 2} << FractionBits;
    s.settled = s.level;
}

// A change of the level by `delta` at `at` (pending samples, 32.32).
inline void AddStep(SoundStream& s, uint64_t at, float delta)
{
    const size_t whole = static_cast<size_t>(at >> FractionBits);
    const uint32_t fraction = static_cast<uint32_t>(at);
    const uint32_t row = fraction >> WeightBits;
    const float weight = static_cast<float>(fraction & ((1u << WeightBits) - 1)) * (1.0f / (1u << WeightBits));
    const float* a = s.stepTable.data() + static_cast<size_t>(row) * Taps;
    const float* b = a + Taps;
    float* r = s.ripple.data() + s.bank * PendingSamples + whole - Taps / 2 + 1;
    s.bank = (s.bank + 1) % RippleBanks;
    const float wa = delta * (1.0f - weight), wb = delta * weight;
    for (int k = 0; k < Taps; k++)
        r[k] += wa * a[k] + wb * b[k];
    s.changes[whole + 1] += delta;
}

// Paced: nudges the rate towards the chosen spare.
void Steer(SoundStream& s)
{
    const double target = StreamPacedSpareSeconds * s.filterRate;
    const double scale = StreamPacedQueueSeconds * s.filterRate;
    const double spare = s.spare.load(std::memory_order_relaxed);
    s.steer = std::clamp(0.02 * (target - spare) / scale, -StreamSteerLimit, StreamSteerLimit);
}

void Queue(SoundStream& s, const float* samples, size_t count)
{
    const uint64_t written = s.written.load(std::memory_order_relaxed);
    const uint64_t queued = written - s.taken.load(std::memory_order_acquire);
    // A paced stream far ahead of the device (warp, or a stall of the
    // reader) sheds the surplus rather than play it late.
    const double limit = s.paced ? 3.0 * StreamPacedQueueSeconds * s.filterRate : StreamQueueSamples;
    if (queued + count > StreamQueueSamples || static_cast<double>(queued + count) > limit) {
        s.dropped.fetch_add(count, std::memory_order_relaxed);
        return;
    }
    for (size_t i = 0; i < count; i++)
        s.queue[(written + i) % StreamQueueSamples] = samples[i];
    s.written.store(written + count, std::memory_order_release);
}

// Sends the samples no later change can reach.
void Finish(SoundStream& s)
{
    const long ready = static_cast<long>(s.position >> FractionBits) - Taps / 2 + 1;
    if (ready <= 0)
        return;
    const size_t n = static_cast<size_t>(ready);
    float* y = s.finished.data();
    float settled = s.settled;
    for (size_t i = 0; i < n; i++) {
        settled += s.changes[i];
        float ripple = 0.0f;
        for (uint32_t b = 0; b < RippleBanks; b++)
            ripple += s.ripple[b * PendingSamples + i];
        y[i] = settled + ripple;
    }
    s.settled = settled;
    // The high-pass, out = y - y' + pole out', two samples a step so that
    // each waits for the one two before it: out = d + pole d' + pole^2 out''.
    const float pole = s.highPassPole, pole2 = pole * pole;
    float in = s.highPassIn, out = s.highPassOut;
    size_t i = 0;
    for (; i + 1 < n; i += 2) {
        const float y0 = y[i], y1 = y[i + 1];
        const float d0 = y0 - in, d1 = y1 - y0;
        const float out0 = d0 + pole * out;
        out = (d1 + pole * d0) + pole2 * out;
        in = y1;
        y[i] = out0 * StreamVoiceScale;
        y[i + 1] = out * StreamVoiceScale;
    }
    if (i < n) {
        out = y[i] - in + pole * out;
        in = y[i];
        y[i] = out * StreamVoiceScale;
    }
    s.highPassIn = in;
    s.highPassOut = out;
    Queue(s, s.finished.data(), n);
    const size_t live = Taps + 2;
    for (uint32_t b = 0; b < RippleBanks; b++) {
        const auto bank = s.ripple.begin() + static_cast<long>(b * PendingSamples);
        std::copy(bank + static_cast<long>(n), bank + static_cast<long>(n + live), bank);
        std::fill(bank + static_cast<long>(live), bank + static_cast<long>(n + live), 0.0f);
    }
    std::copy(s.changes.begin() + static_cast<long>(n), s.changes.begin() + static_cast<long>(n + live), s.changes.begin());
    std::fill(s.changes.begin() + live, s.changes.begin() + static_cast<long>(n + live), 0.0f);
    s.position -= static_cast<uint64_t>(n) << FractionBits;
}

}  // namespace

bool StreamSetInputRate(SoundStream& s, double levelsPerSecond, bool paced)
{
    if (!(levelsPerSecond > 1000.0 && levelsPerSecond < 10'000'000.0))
        return false;
    if (!s.ready.load(std::memory_order_acquire)) {
        s.ripple.assign(RippleBanks * PendingSamples, 0.0f);
        s.changes.assign(PendingSamples, 0.0f);
        s.finished.assign(PendingSamples, 0.0f);
        s.queue.assign(StreamQueueSamples, 0.0f);
        s.paced = paced;
        s.ready.store(true, std::memory_order_release);
    }
    s.inputRate = levelsPerSecond;
    s.filterRate = 0;   // made again for the new rate at the next write
    StopBandHz.store(0.0f, std::memory_order_relaxed);
    return true;
}

// The 64-sample steps are most of the work where the output changes often
// (the noise at its fastest): on x86-64 processors that have AVX they are
// added eight samples at a time.  The same operations in the same order, so
// the output is the same either way.  GCC only: clang's clones of a function
// do not link from a static library (the fuzzing build).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__EMSCRIPTEN__)
__attribute__((target_clones("avx", "default")))
#endif
bool StreamWrite(SoundStream& s, const SoundLevelRun* runs, uint32_t count)
{
    if (!s.ready.load(std::memory_order_acquire) || s.inputRate <= 0)
        return false;
    const uint32_t rate = s.outputRate.load(std::memory_order_relaxed);
    if (rate == 0)
        return true;   // no device rate yet: nothing can be played
    if (rate != s.filterRate)
        BuildStepTable(s, rate);
    if (s.paced)
        Steer(s);
    const uint64_t step = static_cast<uint64_t>(std::llround(s.step * (1.0 + s.steer) * 4294967296.0));
    for (uint32_t i = 0; i < count; i++) {
        if (runs[i].level != s.level) {
            AddStep(s, s.position, runs[i].level - s.level);
            s.level = runs[i].level;
        }
        uint32_t clocks = runs[i].clocks;
        while (clocks > 0) {
            const uint32_t n = std::min(clocks, ChunkLevels);
            s.position += n * step;
            clocks -= n;
            if ((s.position >> FractionBits) >= FinishAt)
                Finish(s);
        }
    }
    Finish(s);
    return true;
}

void StreamClose(SoundStream& s)
{
    s.ready.store(false, std::memory_order_release);
    std::vector<float>().swap(s.queue);
    std::vector<float>().swap(s.ripple);
    std::vector<float>().swap(s.changes);
    std::vector<float>().swap(s.finished);
    std::vector<float>().swap(s.stepTable);
    s.inputRate = 0;
    s.filterRate = 0;
    StopBandHz.store(0.0f, std::memory_order_relaxed);
    s.steer = 0;
    s.spare.store(0);
    s.spareLeast = INT64_MAX;
    s.spareSince = 0;
    s.level = s.settled = 0;
    s.highPassIn = s.highPassOut = 0;
    s.written.store(0);
    s.taken.store(0);
    s.dropped.store(0);
    s.underruns.store(0);
    s.reads.store(0);
    s.queuedSum.store(0);
    s.primed = false;
    s.lastSample = 0;
}

float StreamStopBandHz() { return StopBandHz.load(std::memory_order_relaxed); }

size_t StreamQueued(const SoundStream& s)
{
    return static_cast<size_t>(s.written.load(std::memory_order_acquire) - s.taken.load(std::memory_order_acquire));
}

bool StreamRead(SoundStream& s, float* out, size_t frames, uint32_t outputRate)
{
    if (!s.ready.load(std::memory_order_acquire))
        return false;
    s.outputRate.store(outputRate, std::memory_order_relaxed);
    uint64_t taken = s.taken.load(std::memory_order_relaxed);
    size_t queued = static_cast<size_t>(s.written.load(std::memory_order_acquire) - taken);
    // Back from a pause of the device (a menu, warp) with far too much
    // queued: the oldest goes, so the delay is the usual one at once.
    const size_t cushion = static_cast<size_t>(StreamPacedQueueSeconds * outputRate);
    if (s.paced && queued > 2 * cushion + frames) {
        s.dropped.fetch_add(queued - cushion, std::memory_order_relaxed);
        taken += queued - cushion;
        queued = cushion;
    }
    s.reads.fetch_add(1, std::memory_order_relaxed);
    s.queuedSum.fetch_add(queued, std::memory_order_relaxed);
    // A paced stream waits until its cushion is there, at the start and
    // after running dry.
    if (s.paced && !s.primed) {
        if (queued < cushion) {
            std::fill_n(out, frames, s.lastSample);
            return true;
        }
        s.primed = true;
    }
    // The spare: what this take leaves, the least over each half second.
    s.spareLeast = std::min(s.spareLeast, static_cast<int64_t>(queued) - static_cast<int64_t>(frames));
    s.spareSince += frames;
    if (s.spareSince >= outputRate / 2) {
        const float spare = s.spare.load(std::memory_order_relaxed);
        s.spare.store(spare + 0.5f * (static_cast<float>(s.spareLeast) - spare), std::memory_order_relaxed);
        s.spareLeast = INT64_MAX;
        s.spareSince = 0;
    }
    const size_t n = std::min(frames, queued);
    for (size_t i = 0; i < n; i++)
        out[i] = s.queue[(taken + i) % StreamQueueSamples];
    if (n > 0)
        s.lastSample = out[n - 1];
    s.taken.store(taken + n, std::memory_order_release);
    if (n < frames) {
        std::fill(out + n, out + frames, s.lastSample);
        if (s.paced) {
            s.underruns.fetch_add(1, std::memory_order_relaxed);
            s.primed = false;
        }
    }
    return true;
}

void StreamLogSummary(const SoundStream& s, uint32_t deviceRate, uint32_t periodFrames)
{
    if (!s.ready.load(std::memory_order_acquire) || deviceRate == 0)
        return;
    const uint64_t reads = s.reads.load();
    const double queued = reads ? static_cast<double>(s.queuedSum.load()) / static_cast<double>(reads) : 0.0;
    LogLine("Info: Sound stream: %llu underruns, %.1f ms queued on average plus %.1f ms in the device, "
            "%llu samples shed.\n",
            static_cast<unsigned long long>(s.underruns.load()), 1000.0 * queued / deviceRate,
            1000.0 * periodFrames / deviceRate, static_cast<unsigned long long>(s.dropped.load()));
}
