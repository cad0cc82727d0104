// Which machine runs: the Plus/4, the C16 (or C116) with its 16 KiB, or the
// C16 with the common 64 KiB upgrade.  The `Model` setting chooses; a hard
// reset, or a snapshot saved on another model, puts a model in force.
#pragma once
#include <cstdint>

#include "machine/machine_state.h"

constexpr uint8_t ModelPlus4 = 0;
constexpr uint8_t ModelC16 = 1;          // the C16 or C116 with 16 KiB
constexpr uint8_t ModelC16With64K = 2;

// The model running now (the setting may already name another one, which
// the next hard reset brings in).
extern uint8_t MachineModel;

// The RAM's address lines.  The C16's 16 KiB answer every address with
// its low 14 bits, so they repeat through the whole space, for the
// processor and the TED alike; Ram64[0x0000-0x3FFF] then holds them, and
// everything that reads or writes RAM goes through RamAddress.  Only the
// processor's inline reads of 0x4000-0x7FFF (memory_map.h) take Ram64 as it
// is: there Ram64 keeps an image of the 16 KiB, which every processor write
// updates along with them, and RefreshRamImage brings up to date after
// they were written directly (the stack, a loaded program or snapshot).
extern uint16_t RamAddressMask;
inline uint16_t RamAddress(uint16_t address) { return static_cast<uint16_t>(address & RamAddressMask); }
constexpr uint16_t RamImageOffset = 0x4000;

// Stores a byte in RAM: on the C16 with 16 KiB in them and their image.
inline void StoreRam(uint16_t address, uint8_t value)
{
    const uint16_t at = RamAddress(address);
    Ram64[at] = value;
    if (RamAddressMask != 0xFFFF)
        Ram64[at + RamImageOffset] = value;
}

// On the C16 with 16 KiB: Ram64[0x4000-0x7FFF] again the image of
// 0x0000-0x3FFF.  Nothing on the 64 KiB models.  Called once a frame and
// after the 16 KiB were written directly.
void RefreshRamImage();

// Puts a model in force (start-up, hard reset, snapshot load): the RAM's
// size, whether the function ROM is wired, the bank latch filtered to what
// the model has.  Returns whether the model changed.
bool UseMachineModel(uint8_t model);
// "Info: Machine model: NAME." in the log.
void LogMachineModel();
// Back to the Plus/4 without side effects (power-on state for tests).
void ResetMachineModel();

// "Plus/4", "C16/C116 16K", "C16 64K"; an unknown number gives "Plus/4".
const char* MachineModelName(uint8_t model);

// The function ROM answers in bank 1: on the Plus/4, when both halves were
// read at start-up.  The C16 has no socket for it.
bool FunctionRomPresent();
