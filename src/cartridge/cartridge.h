// Cartridges in the expansion port's two slots: slot 1 answers as ROM bank
// 2 (C1LO at 0x8000-0xBFFF, C1HI at 0xC000-0xFFFF), slot 2 as bank 3, chosen
// by the bank latch at 0xFDD0-0xFDDF as the function ROM is.  The KERNAL's
// own scan at reset finds a module by "CBM" at 0x8007 and starts it when its
// number at 0x8006 is 1; nothing here starts anything.
#pragma once
#include <cstdint>
#include <string>

constexpr int CartridgeSlotCount = 2;   // slots 1 and 2
constexpr uint32_t CartridgeHalfSize = 16384;

// The images the two ROM windows show for each bank (0 BASIC and KERNAL,
// 1 the function ROM, 2 and 3 the slots); an empty place shows bank 0's.
extern const uint8_t* LowRomBanks[4];
extern const uint8_t* HighRomBanks[4];

// A raw image of 16 KiB (the low half) or 32 KiB (low, then high), or the
// low file of a pair whose names differ only in "lo" / "hi" before the
// extension (game-lo.bin and game-hi.bin), into slot 1 or 2.  False with the
// reason in *message; the slot is then as it was.
bool CartridgeAttach(const std::string& path, int slot, std::string* message);
void CartridgeDetach(int slot);
bool CartridgeAttached(int slot);
// What the slot holds, for people: the file's name, "+ high half" noted.
std::string CartridgeDescription(int slot);
bool AnyCartridgeAttached();

// The bank latch written at 0xFDD0 + n: the banks the windows then show.
// Without a function ROM or a cartridge the latch has nothing to choose.
uint8_t BankLatchValue(uint8_t n);

// A log line naming each slot's contents (a snapshot does not hold them).
void LogCartridgeSlots(const char* when);

void ResetCartridgeState();
