#include <cstdio>

#include "cpu/registers.h"
#include "debugger/debugger_text.h"
#include "machine/machine_state.h"

// Edit position to screen column and field, as the value line lays them out:
// "PPPP AA XX YY SS NV1BDIZC".
const EditPosition EditPositionTable[EditPositionCount] = {
    {0, EditField::PC, 12}, {1, EditField::PC, 8}, {2, EditField::PC, 4}, {3, EditField::PC, 0},
    {5, EditField::AC, 4},  {6, EditField::AC, 0},
    {8, EditField::XR, 4},  {9, EditField::XR, 0},
    {11, EditField::YR, 4}, {12, EditField::YR, 0},
    {14, EditField::SP, 4}, {15, EditField::SP, 0},
    {17, EditField::FlagN, 0},
    {18, EditField::FlagV, 0},
    {20, EditField::FlagB, 0},
    {21, EditField::FlagD, 0},
    {22, EditField::FlagI, 0},
    {23, EditField::FlagZ, 0},
    {24, EditField::FlagC, 0},
};

namespace {

uint8_t* ByteRegister(EditField field)
{
    switch (field) {
    case EditField::AC: return &Cpu.AC;
    case EditField::XR: return &Cpu.XR;
    case EditField::YR: return &Cpu.YR;
    case EditField::SP: return &Cpu.SP;
    case EditField::FlagN: return &Cpu.FlagN;
    case EditField::FlagV: return &Cpu.FlagV;
    case EditField::FlagB: return &Cpu.FlagB;
    case EditField::FlagD: return &Cpu.FlagD;
    case EditField::FlagI: return &Cpu.FlagI;
    case EditField::FlagZ: return &Cpu.FlagZ;
    case EditField::FlagC: return &Cpu.FlagC;
    case EditField::PC: break;
    }
    return nullptr;
}

inline bool IsFlag(EditField field)
{
    return field >= EditField::FlagN;
}

}  // namespace

uint8_t EditDigit(int position)
{
    if (position < 0 || position >= EditPositionCount)
        return 0;
    const EditPosition& p = EditPositionTable[position];
    if (p.field == EditField::PC)
        return static_cast<uint8_t>((Cpu.PC >> p.shift) & 0xF);
    uint8_t value = *ByteRegister(p.field);
    if (IsFlag(p.field))
        return value ? 1 : 0;
    return static_cast<uint8_t>((value >> p.shift) & 0xF);
}

void TypeEditDigit(int position, uint8_t digit)
{
    if (position < 0 || position >= EditPositionCount || digit > 0xF)
        return;
    const EditPosition& p = EditPositionTable[position];
    if (p.field == EditField::PC) {
        Cpu.PC = static_cast<uint16_t>((Cpu.PC & ~(0xF << p.shift)) | (digit << p.shift));
        return;
    }
    uint8_t* target = ByteRegister(p.field);
    if (IsFlag(p.field)) {
        // Only 0 and 1 mean anything for a flag.
        if (digit <= 1)
            *target = digit;
        return;
    }
    *target = static_cast<uint8_t>((*target & ~(0xF << p.shift)) | (digit << p.shift));
}

void FormatDigiVolumeLine(char text[41])
{
    std::snprintf(text, 41, "DIGI VOLUME:   %X", static_cast<unsigned>(SoundRegs.DigiVolume));
}

void FormatDigiChannelsLine(char text[41])
{
    // How many voices are playing sampled output: none, one of them, both.
    int channels = SoundRegs.DigiChannels == 0 ? 0 : SoundRegs.DigiChannels == 3 ? 2 : 1;
    std::snprintf(text, 41, "DIGI CHANNELS: %d", channels);
}

void FormatDigiLevelLine(char text[41])
{
    std::snprintf(text, 41, "DIGI LEVEL:    %d", static_cast<int>(SoundRegs.DigiLevel));
}

void FormatSoundControlLine(char text[41])
{
    uint8_t v = Ram64[0xFF11];
    std::snprintf(text, 41, "$FF11: $%02X - %d%d%d%d%d%d%d%d", v, (v >> 7) & 1, (v >> 6) & 1, (v >> 5) & 1,
                  (v >> 4) & 1, (v >> 3) & 1, (v >> 2) & 1, (v >> 1) & 1, v & 1);
}
