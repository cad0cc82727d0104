// Processor operations: words, stack, status packing, arithmetic, and the
// interpreter.
#pragma once
#include <cstdint>
#include "cpu/registers.h"
#include "ted/memory_map.h"

// A little-endian word through the memory map, high byte first.  No page
// wrap: a word at 0x00FF takes its high byte from 0x0100, at 0xFFFF from 0x0000.
inline uint16_t ReadWord(uint16_t address)
{
    uint8_t high = ReadByte(static_cast<uint16_t>(address + 1));
    uint8_t low = ReadByte(address);
    return static_cast<uint16_t>(low | (high << 8));
}

// Page 1 is always plain RAM, so the stack bypasses the memory map.
inline void PushByte(uint8_t value)
{
    BeforeVideoWrite(0x0100);
    Ram64[0x0100 + Cpu.SP] = value;
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 1);
}

inline void PushWord(uint16_t value)
{
    BeforeVideoWrite(0x0100);
    Ram64[0x0100 + Cpu.SP] = static_cast<uint8_t>(value >> 8);
    Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP - 1)] = static_cast<uint8_t>(value);
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 2);
}

inline uint8_t PullByte()
{
    Cpu.SP = static_cast<uint8_t>(Cpu.SP + 1);
    return Ram64[0x0100 + Cpu.SP];
}

inline uint16_t PullWord()
{
    uint8_t low = Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP + 1)];
    uint8_t high = Ram64[0x0100 + static_cast<uint8_t>(Cpu.SP + 2)];
    Cpu.SP = static_cast<uint8_t>(Cpu.SP + 2);
    return static_cast<uint16_t>(low | (high << 8));
}

uint8_t PackStatusPhp();        // N V 0 B D I Z C (also the snapshot form)
uint8_t PackStatusBrk();        // N V 1 1 D 0 Z C
uint8_t PackStatusInterrupt();  // N V 0 0 D I Z C
void UnpackStatus(uint8_t status);

// Push PC (high byte first) and the interrupt form of the status byte.
void EnterInterrupt();

void AddBinary();
void AddDecimal();
void SubtractBinary();
void SubtractDecimal();

// Executes the one instruction at PC and sets LastCycle.
void ExecuteInstruction();
