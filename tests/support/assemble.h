// 6502 test programs in tests/programs, assembled with cl65 at test time
// into plain bytes for a fixed address, and put into the machine's RAM.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"

// Assembles tests/programs/<source> in the scratch directory for address;
// empty when cl65 is missing or the assembly fails.
std::vector<uint8_t> AssembleProgram(const ScratchDirectory& scratch, const std::string& source, uint16_t address);

// Copies the bytes into Ram64 from address on.
void LoadAt(const std::vector<uint8_t>& bytes, uint16_t address);
