#pragma once
#include <cstdint>

// 256 colours, red, green, blue: index = luminance * 16 + TED colour, and
// entries 128-255 repeat 0-127 so that an attribute's flash bit never
// changes the colour.
extern const uint8_t MachinePalette[256][3];
