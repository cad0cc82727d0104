// The 4-to-5 group code Commodore drives record with: each nibble becomes
// five bits chosen so that no more than two zeros ever follow each other
// (the read electronics need flux changes to keep time) and no more than
// eight ones (ten ones in a row are a SYNC mark).  Four bytes make five.
#pragma once
#include <cstdint>

inline constexpr uint8_t GcrCodeOfNibble[16] = {
    0x0A, 0x0B, 0x12, 0x13,   // 0 01010  1 01011  2 10010  3 10011
    0x0E, 0x0F, 0x16, 0x17,   // 4 01110  5 01111  6 10110  7 10111
    0x09, 0x19, 0x1A, 0x1B,   // 8 01001  9 11001  A 11010  B 11011
    0x0D, 0x1D, 0x1E, 0x15,   // C 01101  D 11101  E 11110  F 10101
};
// The nibble of a five-bit code; GcrInvalid for the 16 codes no nibble has.
constexpr uint8_t GcrInvalid = 0xFF;
uint8_t GcrNibbleOfCode(uint8_t code);

void GcrEncodeGroup(const uint8_t bytes[4], uint8_t gcr[5]);
// False when any of the eight codes is invalid (those nibbles come out 0).
bool GcrDecodeGroup(const uint8_t gcr[5], uint8_t bytes[4]);
