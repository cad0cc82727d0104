#include "files/bmp_writer.h"

#include <cstdio>

namespace {

void Put16(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value)
{
    Put16(at, value);
    Put16(at + 2, value >> 16);
}

constexpr uint32_t HeaderSize = 54;
constexpr uint32_t ColourTableSize = 1024;

}  // namespace

bool WriteBmp8(const char* path, const uint8_t* pixels, uint32_t width, uint32_t height,
               const uint8_t palette[256][3], uint32_t stride)
{
    if (stride == 0)
        stride = width;
    const uint64_t rowBytes = (uint64_t{width} + 3) & ~uint64_t{3};
    const uint64_t imageBytes = rowBytes * height;
    if (HeaderSize + ColourTableSize + imageBytes > 0xFFFFFFFFu)
        return false;   // too big for the format's 32-bit sizes

    uint8_t header[HeaderSize] = {'B', 'M'};
    Put32(header + 2, static_cast<uint32_t>(HeaderSize + ColourTableSize + imageBytes));
    Put32(header + 10, HeaderSize + ColourTableSize);   // offset of the pixels
    Put32(header + 14, 40);                              // size of the info header
    Put32(header + 18, width);
    Put32(header + 22, height);                          // positive: bottom-up rows
    Put16(header + 26, 1);                               // planes
    Put16(header + 28, 8);                               // bits per pixel
    Put32(header + 34, static_cast<uint32_t>(imageBytes));

    uint8_t table[ColourTableSize];
    for (int i = 0; i < 256; i++) {
        table[4 * i] = palette[i][2];
        table[4 * i + 1] = palette[i][1];
        table[4 * i + 2] = palette[i][0];
        table[4 * i + 3] = 0;
    }

    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
              std::fwrite(table, 1, sizeof table, file) == sizeof table;
    const uint8_t padding[3] = {0, 0, 0};
    const size_t padBytes = static_cast<size_t>(rowBytes - width);
    for (uint32_t y = height; ok && y-- > 0;) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        ok = std::fwrite(row, 1, width, file) == width &&
             (padBytes == 0 || std::fwrite(padding, 1, padBytes, file) == padBytes);
    }
    if (std::fclose(file) != 0)
        ok = false;
    return ok;
}
