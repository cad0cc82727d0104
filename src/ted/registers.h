// The TED register file at 0xFF00-0xFF3F.
#pragma once
#include <cstdint>

uint8_t ReadTedRegister(uint8_t reg);   // reg 0x00-0x1F, no side effects
void WriteTedRegister(uint8_t reg, uint8_t value);   // reg 0x00-0x3F
// The keyboard latch built when 0xFF08 is written: the matrix columns
// selected by the latch at 0xFD30, and the joystick keys selected by value.
uint8_t ComputeKeyboardLatch(uint8_t value);
// For register bytes replaced without writes (a snapshot load): the voice
// frequencies, the volume and the sound control are worked out again from
// the bytes at 0xFF0E-0xFF12, and the voices play what they now say.
void ReapplySoundRegisters();
