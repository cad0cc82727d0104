// Uncompressed 8-bit Windows bitmaps with a 256-colour table.
#pragma once
#include <cstdint>

// Writes width x height palette indices as an 8-bit BMP at path: the 54-byte
// header, 1024 bytes of colour table (blue, green, red, 0 per palette entry)
// and the rows bottom-up, each padded with zeros to a multiple of 4 bytes.
// pixels holds the top row first; rows lie stride bytes apart (0 means
// width).  Returns whether the file was created and every byte written.
bool WriteBmp8(const char* path, const uint8_t* pixels, uint32_t width, uint32_t height,
               const uint8_t palette[256][3], uint32_t stride = 0);
