#include <cstdio>

#include "debugger/debugger_text.h"
#include "ted/memory_map.h"

namespace {

// Bytes taken by each addressing mode, indexed by the mode number.
constexpr int ModeLength[13] = {1, 1, 2, 3, 3, 2, 2, 2, 3, 3, 2, 2, 2};

}  // namespace

int InstructionLength(int32_t mode)
{
    return (mode >= 1 && mode <= 12) ? ModeLength[mode] : 1;
}

uint16_t BranchTarget(uint16_t address, uint8_t offset)
{
    // The offset counts from the instruction after the two-byte branch.
    if (offset & 0x80)
        return static_cast<uint16_t>(address + offset - 254);
    return static_cast<uint16_t>(address + 2 + offset);
}

int FormatInstruction(uint16_t address, uint8_t b0, uint8_t b1, uint8_t b2, char text[InstructionTextLength + 1])
{
    const MnemonicEntry& entry = MnemonicTable[b0];
    const char* m = entry.mnemonic;
    unsigned word = b1 + 256u * b2;
    constexpr size_t size = InstructionTextLength + 1;
    switch (entry.mode) {
    case ModeImmediate:
        std::snprintf(text, size, "%02X %02X    %s #$%02X                 ", b0, b1, m, b1);
        break;
    case ModeAbsolute:
        std::snprintf(text, size, "%02X %02X %02X %s $%04X   %s", b0, b1, b2, m, word,
                      TedRegisterName(static_cast<uint16_t>(word)));
        break;
    case ModeIndirect:
        std::snprintf(text, size, "%02X %02X %02X %s ($%04X)              ", b0, b1, b2, m, word);
        break;
    case ModeZeroPage:
        std::snprintf(text, size, "%02X %02X    %s $%02X                  ", b0, b1, m, b1);
        break;
    case ModeZeroPageX:
        std::snprintf(text, size, "%02X %02X    %s $%02X,X                ", b0, b1, m, b1);
        break;
    case ModeZeroPageY:
        std::snprintf(text, size, "%02X %02X    %s $%02X,Y                ", b0, b1, m, b1);
        break;
    case ModeAbsoluteX:
        std::snprintf(text, size, "%02X %02X %02X %s $%04X,X              ", b0, b1, b2, m, word);
        break;
    case ModeAbsoluteY:
        std::snprintf(text, size, "%02X %02X %02X %s $%04X,Y              ", b0, b1, b2, m, word);
        break;
    case ModeIndirectY:
        std::snprintf(text, size, "%02X %02X    %s ($%02X),Y              ", b0, b1, m, b1);
        break;
    case ModeIndirectX:
        std::snprintf(text, size, "%02X %02X    %s ($%02X,X)              ", b0, b1, m, b1);
        break;
    case ModeRelative:
        std::snprintf(text, size, "%02X %02X    %s $%04X                ", b0, b1, m,
                      static_cast<unsigned>(BranchTarget(address, b1)));
        break;
    default:   // implied or accumulator
        std::snprintf(text, size, "%02X       %s                      ", b0, m);
        break;
    }
    return InstructionLength(entry.mode);
}

int DisassembleAt(uint16_t address, char text[InstructionTextLength + 1])
{
    uint8_t b0 = ReadByte(address);
    int length = InstructionLength(MnemonicTable[b0].mode);
    uint8_t b1 = length > 1 ? ReadByte(static_cast<uint16_t>(address + 1)) : 0;
    uint8_t b2 = length > 2 ? ReadByte(static_cast<uint16_t>(address + 2)) : 0;
    return FormatInstruction(address, b0, b1, b2, text);
}
