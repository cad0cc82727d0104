#include "support/kernal_tape_writer.h"

namespace {

// Half waves in cycles of the single clock (8 to a TAP unit).
constexpr uint32_t ShortHalf = 208, LongHalf = 424, WordHalf = 848;
constexpr uint32_t SecondLeader = 240, Trailer = 194;

}  // namespace

void KernalTapeWriter::Dipole(uint32_t halfCycles)
{
    if (version == 1) {
        data.push_back(static_cast<uint8_t>(2 * halfCycles / 8));
    } else {
        data.push_back(static_cast<uint8_t>(halfCycles / 8));
        data.push_back(static_cast<uint8_t>(halfCycles / 8));
    }
}

// The motor starting: the tape moves for a while before anything is written.
// Two half-wave entries in version 2 keep the levels' order.
void KernalTapeWriter::Silence(uint32_t cycles)
{
    const int entries = version == 1 ? 1 : 2;
    for (int i = 0; i < entries; i++)
        data.insert(data.end(), {0, static_cast<uint8_t>(cycles), static_cast<uint8_t>(cycles >> 8),
                                 static_cast<uint8_t>(cycles >> 16)});
}

void KernalTapeWriter::Byte(uint8_t value)
{
    Dipole(WordHalf);
    Dipole(LongHalf);
    int ones = 0;
    for (int bit = 0; bit < 8; bit++) {
        const bool one = (value >> bit) & 1;
        ones += one;
        Dipole(one ? LongHalf : ShortHalf);
        Dipole(one ? ShortHalf : LongHalf);
    }
    const bool parity = (ones % 2) == 0;   // nine bits with an odd count of ones
    Dipole(parity ? LongHalf : ShortHalf);
    Dipole(parity ? ShortHalf : LongHalf);
}

void KernalTapeWriter::Block(const std::vector<uint8_t>& payload, bool firstCopy, uint32_t leader)
{
    for (uint32_t i = 0; i < leader; i++)
        Dipole(ShortHalf);
    for (uint8_t n = 9; n >= 1; n--)
        Byte(static_cast<uint8_t>((firstCopy ? 0x80 : 0x00) | n));
    uint8_t check = 0;
    for (uint8_t b : payload) {
        Byte(b);
        check ^= b;
    }
    Byte(check);
    Dipole(LongHalf);
    for (uint32_t i = 0; i < Trailer; i++)
        Dipole(ShortHalf);
}

void KernalTapeWriter::BlockPair(const std::vector<uint8_t>& payload)
{
    Silence(425000);   // the motor's half second to settle
    Block(payload, true, firstLeader);
    Block(payload, false, SecondLeader);
}

void KernalTapeWriter::AddProgram(const std::string& name, const std::vector<uint8_t>& prg, uint8_t type)
{
    const uint16_t start = static_cast<uint16_t>(prg[0] | (prg[1] << 8));
    const uint16_t end = static_cast<uint16_t>(start + prg.size() - 2);
    // The header: type, start, end, the name padded with spaces to 191 bytes.
    std::vector<uint8_t> header = {type, static_cast<uint8_t>(start), static_cast<uint8_t>(start >> 8),
                                   static_cast<uint8_t>(end), static_cast<uint8_t>(end >> 8)};
    header.insert(header.end(), name.begin(), name.end());
    header.resize(1 + 191, 0x20);
    BlockPair(header);
    BlockPair(std::vector<uint8_t>(prg.begin() + 2, prg.end()));
}

std::vector<uint8_t> KernalTapeWriter::Image() const
{
    std::vector<uint8_t> image = {'C', '1', '6', '-', 'T', 'A', 'P', 'E', '-', 'R', 'A', 'W', version, 2, 0, 0};
    const uint32_t length = static_cast<uint32_t>(data.size());
    for (int k = 0; k < 4; k++)
        image.push_back(static_cast<uint8_t>(length >> (8 * k)));
    image.insert(image.end(), data.begin(), data.end());
    return image;
}
