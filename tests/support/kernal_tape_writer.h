// The tests' own tape writer: TAP images made the way the KERNAL records a
// file, from the encoding its writer uses, without any of Ravlin's tape
// code.  Dipoles (two equal half waves) of three lengths: short, long
// (twice short) and word (four times short).  A bit is short+long (0) or
// long+short (1); a byte is a word+long marker, eight bits from the lowest
// and an odd-parity bit.  A block is a leader of shorts, nine countdown
// bytes ($89-$81 for the first copy, $09-$01 for the second), the type byte
// (header blocks only), the data, their XOR, one long and 194 shorts; each
// block is recorded twice.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct KernalTapeWriter {
    // Full waves (version 1) or half waves (version 2).
    explicit KernalTapeWriter(uint8_t version) : version(version) {}

    // A program file: its header block pair, then its data block pair.
    // bytes start with the two-byte load address, as a PRG file does.
    void AddProgram(const std::string& name, const std::vector<uint8_t>& prg, uint8_t type = 1);
    // The whole image, header included.
    std::vector<uint8_t> Image() const;

    uint8_t version;
    // Short dipoles before each block's first copy: the KERNAL's 16382, or
    // fewer for a quicker load.
    uint32_t firstLeader = 16382;
    std::vector<uint8_t> data;   // after the header

private:
    void Dipole(uint32_t halfCycles);
    void Silence(uint32_t cycles);
    void Byte(uint8_t value);
    void Block(const std::vector<uint8_t>& payload, bool firstCopy, uint32_t leader);
    void BlockPair(const std::vector<uint8_t>& payload);
};
