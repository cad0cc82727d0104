// Processor operations: words, stack, status packing, arithmetic, and the
// interpreter.
#pragma once
#include <cstdint>
#include "cpu/registers.h"

uint16_t ReadWord(uint16_t address);

void PushByte(uint8_t value);
void PushWord(uint16_t value);
uint8_t PullByte();
uint16_t PullWord();

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
