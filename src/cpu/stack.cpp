// Page 1 is always plain RAM, so the stack bypasses the memory map.
#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "ted/memory_map.h"

uint16_t ReadWord(uint16_t address)
{
    // No page wrap: a word at 0x00FF takes its high byte from 0x0100.
    uint8_t high = ReadByte(static_cast<uint16_t>(address + 1));
    uint8_t low = ReadByte(address);
    return static_cast<uint16_t>(low | (high << 8));
}

void PushByte(uint8_t value)
{
    Ram64[0x0100 + Cpu.SP] = value;
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 1);
}

void PushWord(uint16_t value)
{
    Ram64[0x0100 + Cpu.SP] = static_cast<uint8_t>(value >> 8);
    Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP - 1)] = static_cast<uint8_t>(value);
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 2);
}

uint8_t PullByte()
{
    Cpu.SP = static_cast<uint8_t>(Cpu.SP + 1);
    return Ram64[0x0100 + Cpu.SP];
}

uint16_t PullWord()
{
    uint8_t low = Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP + 1)];
    uint8_t high = Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP + 2)];
    Cpu.SP = static_cast<uint8_t>(Cpu.SP + 2);
    return static_cast<uint16_t>(low | (high << 8));
}
