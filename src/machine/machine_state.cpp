#include "machine/machine_state.h"

uint8_t* RamBlock = nullptr;
uint8_t* Ram64 = nullptr;

uint8_t BasicRom[RomSize];
uint8_t KernalRom[RomSize];
uint8_t FunctionRomLo[RomSize];
uint8_t FunctionRomHi[RomSize];
uint8_t FunctionRomHalves = 0;

uint8_t FrameBuffer[FrameLines * FrameWidth];

int64_t FramePeriod = 0;
int64_t LastFrameTime = 0;

uint16_t RowOffsetTable[40];
uint32_t BitmapRowTable[312];
uint32_t LineOffsetTable[312];
uint16_t LineCounterTable[312];
uint16_t ColumnTable[228];
uint32_t FreqTable[1024];

uint16_t ScreenshotRequest = 0;
uint16_t OptionsMenuRequest = 0;
uint16_t LoadMenuRequest = 0;
uint16_t SaveMenuRequest = 0;
uint16_t DebuggerRequest = 0;
uint16_t SoftResetRequest = 0;
uint16_t HardResetRequest = 0;
uint16_t StatusLineOn = 0;
uint16_t ShiftHeld = 0;
uint16_t Breakpoint = 0;
uint8_t BreakpointEnabled = 0;
uint32_t AppActive = 0;
uint32_t PumpCounter = 0;
uint16_t PairCycles = 0;
uint16_t HalfCycleCarry = 0;
uint32_t JoystickMode = 0;
uint32_t StartupJoystick = 0;
uint32_t SavedPriorityClass = 0;

uint16_t LastCycle = 0;

TedState Ted;
SoundRegisters SoundRegs;
