// Small measurements of rendered sound for the tests: loudness, pitch by
// zero crossings, and the stretch of samples that are not silent.
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

// First and one-past-last sample louder than `threshold`; {0, 0} for none.
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
