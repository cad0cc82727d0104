// The one emulated machine: memory, ROM images, internal tables, request
// flags and main-loop bookkeeping.  Plain globals; see ResetMachineToPowerOn
// for returning all of it to the state before start-up.
#pragma once
#include <cstdint>
#include "cpu/registers.h"
#include "ted/ted_state.h"

constexpr uint32_t RomSize = 16384;
constexpr uint32_t RamBlockSize = 0x12000;
constexpr int FrameLines = 312;
constexpr int FrameWidth = 456;

// Ram64 points into RamBlock, 8-byte aligned, and is null when the block is
// not allocated (before start-up and after ReleaseAll).
extern uint8_t* RamBlock;
extern uint8_t* Ram64;

extern uint8_t BasicRom[RomSize];
extern uint8_t KernalRom[RomSize];
extern uint8_t FunctionRomLo[RomSize];
extern uint8_t FunctionRomHi[RomSize];
extern uint8_t FunctionRomHalves;

extern uint8_t FrameBuffer[FrameLines * FrameWidth];

extern int64_t FramePeriod;
extern int64_t LastFrameTime;

extern uint16_t RowOffsetTable[40];
extern uint32_t BitmapRowTable[312];
extern uint32_t LineOffsetTable[312];
extern uint16_t LineCounterTable[312];
extern uint16_t ColumnTable[228];
extern uint32_t FreqTable[1024];

extern uint16_t ScreenshotRequest;
extern uint16_t OptionsMenuRequest;
extern uint16_t LoadMenuRequest;
extern uint16_t SaveMenuRequest;
extern uint16_t DebuggerRequest;
extern uint16_t SoftResetRequest;
extern uint16_t HardResetRequest;
extern uint16_t StatusLineOn;
extern uint16_t ShiftHeld;
extern uint16_t Breakpoint;
extern uint8_t BreakpointEnabled;
extern uint32_t AppActive;
extern uint32_t PumpCounter;
extern uint16_t PairCycles;
extern uint16_t HalfCycleCarry;
extern uint32_t JoystickMode;
extern uint32_t StartupJoystick;
extern uint32_t SavedPriorityClass;

// Byte a of the power-on RAM pattern: 00 00 FF FF FF FF 00 00 repeating.
inline uint8_t RamFillPattern(uint32_t address) { return ((address + 2) & 4) ? 0xFF : 0x00; }

void BuildInternalTables();
void InitialiseMachine();   // start-up step 12
void SoftReset();
void HardReset();

// Puts every global of the machine, the settings, the log and the device
// layer back to the state the program starts in (RAM released).  For tests.
void ResetMachineToPowerOn();

// Each subsystem puts its own globals back to their start-up values.
void ResetCpuState();
void ResetTedState();
void ResetSoundState();
void ResetInputState();
void ResetPlatformState();
void ResetUiState();
void ResetFilesState();
void ResetDebuggerState();
