// TAP images of the C16 / Plus/4 ("C16-TAPE-RAW"): a 20-byte header, then
// one byte per wave in units of 8 cycles of the machine's single clock (the
// TED's 886,724 Hz on PAL, 894,886 Hz on NTSC).  Version 0 and 1 hold full
// waves (a low half and a high half of equal length), version 2 half waves.
// A byte 0 in version 1 and 2 is followed by the exact length in cycles, 24
// bits little-endian; in version 0 it is a fixed long gap.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t TapHeaderSize = 20;
constexpr char TapSignature[] = "C16-TAPE-RAW";
constexpr uint8_t TapPlatformC16 = 2;
// Larger files are refused: a whole 45-minute cassette side of half waves
// fits in under 12 MiB.
constexpr size_t TapMaxDataBytes = 16u << 20;
// What a version 0 zero byte stands for, in cycles.
constexpr uint32_t TapVersion0Gap = 20000;
// A tape that would play for longer than this is not a cassette.
constexpr uint64_t TapMaxPlayingSeconds = 2 * 3600;

enum class TapVideo : uint8_t { Pal = 0, Ntsc = 1 };

struct TapImage {
    // Wave lengths in cycles of the image's clock: half waves, or full
    // waves when fullWaves (versions 0 and 1).
    std::vector<uint32_t> waves;
    bool fullWaves = false;
    uint8_t version = 2;
    TapVideo video = TapVideo::Pal;
};

// The image's clock in Hz.
uint32_t TapClockHz(TapVideo video);

// Decodes a whole file.  False with what is wrong in *problem (which says
// what the file is when it is no C16 tape image at all).
bool ParseTapImage(const uint8_t* data, size_t size, TapImage* image, std::string* problem);
// Reads and decodes the file at path; a missing, special or unreadable file
// is refused the same way.
bool ReadTapFile(const std::string& path, TapImage* image, std::string* problem);

// Splits full waves into their two halves (the low half first), so that the
// image can be recorded on and written as version 2.
void MakeHalfWaves(TapImage* image);
// The file bytes of a version 2 image of the image's half waves.
std::vector<uint8_t> EncodeTapImage(const TapImage& image);
// Writes it through the safe save: the earlier file survives a failure.
bool WriteTapFile(const std::string& path, const TapImage& image);
