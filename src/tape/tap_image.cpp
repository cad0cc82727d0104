#include "tape/tap_image.h"

#include <cstdio>
#include <cstring>

#include "files/regular_file.h"
#include "files/safe_save.h"

namespace {

constexpr char C64Signature[] = "C64-TAPE-RAW";
constexpr size_t SignatureLength = sizeof TapSignature - 1;
constexpr uint32_t PalClockHz = 886724;
constexpr uint32_t NtscClockHz = 894886;
// A plain byte holds a wave in units of 8 cycles, rounded: 1 to 255 units
// (4 to 2,043 cycles); longer waves need the overflow code.
constexpr uint32_t LongestPlainUnits = 255;
constexpr uint32_t LongestOverflowWave = 0xFFFFFF;

uint32_t Little32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<uint32_t>(p[3]) << 24);
}

std::string Offset(size_t at) { return " at byte " + std::to_string(at); }

bool CheckHeader(const uint8_t* data, size_t size, std::string* problem)
{
    if (size == 0) {
        *problem = "the tape image is empty";
        return false;
    }
    if (size >= SignatureLength && std::memcmp(data, C64Signature, SignatureLength) == 0) {
        *problem = "a C64 tape image (C64-TAPE-RAW), not one for the C16 and Plus/4";
        return false;
    }
    if (size < SignatureLength || std::memcmp(data, TapSignature, SignatureLength) != 0) {
        *problem = "not a C16 tape image (no C16-TAPE-RAW signature; perhaps a raw sound sample)";
        return false;
    }
    if (size < TapHeaderSize) {
        *problem = "the tape image is cut short inside its 20-byte header";
        return false;
    }
    if (data[12] > 2) {
        *problem = "tape image version " + std::to_string(data[12]) + " is unknown (versions 0, 1 and 2 are read)";
        return false;
    }
    if (data[14] > 2) {
        *problem = "the tape image names an unknown video standard (" + std::to_string(data[14]) + ")";
        return false;
    }
    return true;
}

}  // namespace

uint32_t TapClockHz(TapVideo video) { return video == TapVideo::Pal ? PalClockHz : NtscClockHz; }

bool ParseTapImage(const uint8_t* data, size_t size, TapImage* image, std::string* problem)
{
    if (!CheckHeader(data, size, problem))
        return false;
    const uint32_t length = Little32(data + 16);
    if (length > TapMaxDataBytes) {
        *problem = "the tape image claims " + std::to_string(length) + " bytes of pulses, more than a cassette holds";
        return false;
    }
    if (length > size - TapHeaderSize) {
        *problem = "the tape image is truncated: its header promises " + std::to_string(length) +
                   " bytes of pulses, the file holds " + std::to_string(size - TapHeaderSize);
        return false;
    }
    TapImage result;
    result.version = data[12];
    result.fullWaves = result.version < 2;
    result.video = data[14] == 0 ? TapVideo::Pal : TapVideo::Ntsc;
    result.waves.reserve(length);
    const uint64_t longest = TapMaxPlayingSeconds * TapClockHz(result.video);
    uint64_t total = 0;
    const uint8_t* pulses = data + TapHeaderSize;
    for (size_t i = 0; i < length; i++) {
        uint32_t cycles = pulses[i] * 8u;
        if (pulses[i] == 0 && result.version == 0) {
            cycles = TapVersion0Gap;
        } else if (pulses[i] == 0) {
            if (length - i < 4) {
                *problem = "the tape image is truncated inside a long pulse" + Offset(TapHeaderSize + i);
                return false;
            }
            cycles = static_cast<uint32_t>(pulses[i + 1] | (pulses[i + 2] << 8) | (pulses[i + 3] << 16));
            if (cycles == 0) {
                *problem = "the tape image holds a pulse of no length" + Offset(TapHeaderSize + i);
                return false;
            }
            i += 3;
        }
        total += cycles;
        if (total > longest) {
            *problem = "the tape image would play for more than two hours (its long pulses are too long)";
            return false;
        }
        result.waves.push_back(cycles);
    }
    *image = std::move(result);
    return true;
}

bool ReadTapFile(const std::string& path, TapImage* image, std::string* problem)
{
    uint64_t size = 0;
    std::FILE* file = OpenRegularFile(path.c_str(), &size);
    if (!file) {
        *problem = "can't read " + path + " (missing, not a regular file, or not readable)";
        return false;
    }
    if (size > TapMaxDataBytes + TapHeaderSize) {
        std::fclose(file);
        *problem = "the tape image is larger than a cassette holds (" + std::to_string(size) + " bytes)";
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    const bool read = bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    if (!read) {
        *problem = "can't read " + path;
        return false;
    }
    return ParseTapImage(bytes.data(), bytes.size(), image, problem);
}

void MakeHalfWaves(TapImage* image)
{
    if (!image->fullWaves)
        return;
    std::vector<uint32_t> halves;
    halves.reserve(image->waves.size() * 2);
    for (uint32_t wave : image->waves) {
        halves.push_back(wave / 2);
        halves.push_back(wave - wave / 2);
    }
    image->waves = std::move(halves);
    image->fullWaves = false;
    image->version = 2;
}

std::vector<uint8_t> EncodeTapImage(const TapImage& image)
{
    std::vector<uint8_t> out(TapHeaderSize, 0);
    std::memcpy(out.data(), TapSignature, SignatureLength);
    out[12] = 2;
    out[13] = TapPlatformC16;
    out[14] = static_cast<uint8_t>(image.video);
    // Every wave stays one entry, so that the levels keep alternating: a
    // silence longer than 24 bits of cycles (19 seconds) is cut to that.
    auto put = [&out](uint32_t cycles) {
        const uint32_t units = (cycles + 4) / 8;
        if (units > 0 && units <= LongestPlainUnits) {
            out.push_back(static_cast<uint8_t>(units));
            return;
        }
        const uint32_t exact = cycles == 0 ? 1 : cycles > LongestOverflowWave ? LongestOverflowWave : cycles;
        out.insert(out.end(), {0, static_cast<uint8_t>(exact), static_cast<uint8_t>(exact >> 8),
                               static_cast<uint8_t>(exact >> 16)});
    };
    for (uint32_t wave : image.waves) {
        if (image.fullWaves) {
            put(wave / 2);
            put(wave - wave / 2);
        } else {
            put(wave);
        }
    }
    const uint32_t length = static_cast<uint32_t>(out.size() - TapHeaderSize);
    for (int k = 0; k < 4; k++)
        out[16 + k] = static_cast<uint8_t>(length >> (8 * k));
    return out;
}

bool WriteTapFile(const std::string& path, const TapImage& image)
{
    const std::vector<uint8_t> bytes = EncodeTapImage(image);
    return SaveFileReplacing(path.c_str(), bytes.data(), bytes.size());
}
