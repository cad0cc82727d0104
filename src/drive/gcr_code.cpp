#include "drive/gcr_code.h"

namespace {

struct NibbleTable {
    uint8_t nibble[32];
    constexpr NibbleTable() : nibble()
    {
        for (uint8_t& n : nibble)
            n = GcrInvalid;
        for (uint8_t i = 0; i < 16; i++)
            nibble[GcrCodeOfNibble[i]] = i;
    }
};
constexpr NibbleTable Nibbles;

}  // namespace

uint8_t GcrNibbleOfCode(uint8_t code) { return Nibbles.nibble[code & 0x1F]; }

void GcrEncodeGroup(const uint8_t bytes[4], uint8_t gcr[5])
{
    uint64_t bits = 0;
    for (int i = 0; i < 4; i++)
        bits = bits << 10 | static_cast<uint64_t>(GcrCodeOfNibble[bytes[i] >> 4]) << 5 | GcrCodeOfNibble[bytes[i] & 0x0F];
    for (int i = 4; i >= 0; i--) {
        gcr[i] = static_cast<uint8_t>(bits);
        bits >>= 8;
    }
}

bool GcrDecodeGroup(const uint8_t gcr[5], uint8_t bytes[4])
{
    uint64_t bits = 0;
    for (int i = 0; i < 5; i++)
        bits = bits << 8 | gcr[i];
    bool valid = true;
    for (int i = 3; i >= 0; i--) {
        uint8_t low = GcrNibbleOfCode(static_cast<uint8_t>(bits));
        uint8_t high = GcrNibbleOfCode(static_cast<uint8_t>(bits >> 5));
        if (low == GcrInvalid || high == GcrInvalid) {
            valid = false;
            low = low == GcrInvalid ? 0 : low;
            high = high == GcrInvalid ? 0 : high;
        }
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
        bits >>= 10;
    }
    return valid;
}
