// Small measurements of rendered sound for the tests: loudness, pitch by
// zero crossings, the stretch of samples that are not silent, the level of
// one frequency, self-similarity at a lag, and one period's shape.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

inline double Rms(const std::vector<int16_t>& s, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to && i < s.size(); i++)
        sum += static_cast<double>(s[i]) * s[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

inline int PeakAbs(const std::vector<int16_t>& s, size_t from, size_t to)
{
    int peak = 0;
    for (size_t i = from; i < to && i < s.size(); i++)
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    return peak;
}

// Fundamental in Hz from the rising crossings of the mean level, each
// placed between samples by linear interpolation.  0 when fewer than two.
inline double ZeroCrossingFrequency(const std::vector<int16_t>& s, size_t from, size_t to, double rate)
{
    to = std::min(to, s.size());
    if (to <= from + 1)
        return 0;
    double mean = 0;
    for (size_t i = from; i < to; i++)
        mean += s[i];
    mean /= static_cast<double>(to - from);
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from + 1; i < to; i++) {
        double a = s[i - 1] - mean, b = s[i] - mean;
        if (a < 0 && b >= 0) {
            double at = static_cast<double>(i - 1) + a / (a - b);
            if (first < 0)
                first = at;
            last = at;
            crossings++;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * rate / (last - first);
}

// Rising crossings per second, for telling noise from a tone.
inline double CrossingRate(const std::vector<int16_t>& s, size_t from, size_t to, double rate)
{
    int crossings = 0;
    for (size_t i = from + 1; i < to && i < s.size(); i++)
        crossings += s[i - 1] < 0 && s[i] >= 0;
    return to > from ? crossings * rate / static_cast<double>(to - from) : 0.0;
}

// First and one-past-last sample louder than `threshold` (0: the first and
// last that are not exactly silent); {0, 0} for none.
inline std::pair<size_t, size_t> AudibleSpan(const std::vector<int16_t>& s, int threshold = 64)
{
    size_t first = s.size(), last = 0;
    for (size_t i = 0; i < s.size(); i++) {
        if (std::abs(static_cast<int>(s[i])) > threshold) {
            first = std::min(first, i);
            last = i + 1;
        }
    }
    return first < last ? std::make_pair(first, last) : std::make_pair(size_t{0}, size_t{0});
}

// The samples of a 16-bit mono PCM WAV file, with its rate; empty when the
// file is not one.
inline std::vector<int16_t> ReadWavSamples(const std::vector<uint8_t>& bytes, uint32_t* rate)
{
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(bytes[at] | (bytes[at + 1] << 8)); };
    auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
    if (bytes.size() < 44 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 16) != "WAVEfmt " || u16(20) != 1 || u16(22) != 1 ||
        u16(34) != 16 || std::string(bytes.begin() + 36, bytes.begin() + 40) != "data")
        return {};
    *rate = u32(24);
    size_t count = std::min<size_t>(u32(40), bytes.size() - 44) / 2;
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; i++)
        samples[i] = static_cast<int16_t>(u16(44 + 2 * i));
    return samples;
}

// Amplitude of the sine at `frequency` in s[from, to) (a single-bin DFT
// under a Hann window, corrected for the window's loss).
inline double ToneAmplitude(const std::vector<int16_t>& s, size_t from, size_t to, double rate, double frequency)
{
    to = std::min(to, s.size());
    if (to <= from + 1)
        return 0;
    const double n = static_cast<double>(to - from);
    double re = 0, im = 0;
    for (size_t i = from; i < to; i++) {
        const double k = static_cast<double>(i - from);
        const double window = 0.5 - 0.5 * std::cos(2 * M_PI * k / n);
        const double phase = 2 * M_PI * frequency * k / rate;
        re += s[i] * window * std::cos(phase);
        im -= s[i] * window * std::sin(phase);
    }
    return 2 * std::sqrt(re * re + im * im) / (n * 0.5);
}

// Correlation (-1 to 1) of s[from, to) with itself `lag` samples later.
inline double Autocorrelation(const std::vector<int16_t>& s, size_t from, size_t to, size_t lag)
{
    to = std::min(to, s.size());
    if (to <= from + lag + 1)
        return 0;
    double mean = 0;
    for (size_t i = from; i < to; i++)
        mean += s[i];
    mean /= static_cast<double>(to - from);
    double product = 0, a2 = 0, b2 = 0;
    for (size_t i = from; i + lag < to; i++) {
        const double a = s[i] - mean, b = s[i + lag] - mean;
        product += a * b;
        a2 += a * a;
        b2 += b * b;
    }
    return a2 > 0 && b2 > 0 ? product / std::sqrt(a2 * b2) : 0;
}

// One period of a periodic signal, averaged over every period in s[from,
// to): `bins` values, bin k the mean of the samples whose phase falls in
// the k-th slice of the period (periodSamples need not be whole).
inline std::vector<double> FoldedPeriod(const std::vector<int16_t>& s, size_t from, size_t to, double periodSamples,
                                        int bins)
{
    std::vector<double> sum(static_cast<size_t>(bins), 0.0), count(static_cast<size_t>(bins), 0.0);
    to = std::min(to, s.size());
    for (size_t i = from; i < to; i++) {
        const double phase = std::fmod(static_cast<double>(i - from), periodSamples) / periodSamples;
        const size_t bin = std::min(static_cast<size_t>(phase * bins), static_cast<size_t>(bins - 1));
        sum[bin] += s[i];
        count[bin] += 1;
    }
    for (size_t k = 0; k < sum.size(); k++)
        sum[k] = count[k] > 0 ? sum[k] / count[k] : 0;
    return sum;
}
