#include "cartridge/cartridge.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "files/regular_file.h"
#include "machine/log.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"

const uint8_t* LowRomBanks[4] = {BasicRom, FunctionRomLo, BasicRom, BasicRom};
const uint8_t* HighRomBanks[4] = {KernalRom, FunctionRomHi, KernalRom, KernalRom};

namespace {

struct Slot {
    bool attached = false;
    bool hasHigh = false;
    std::string path;
    uint8_t low[CartridgeHalfSize];
    uint8_t high[CartridgeHalfSize];
};

Slot Slots[CartridgeSlotCount];

bool ValidSlot(int slot) { return slot >= 1 && slot <= CartridgeSlotCount; }

void RefreshBanks()
{
    for (int s = 0; s < CartridgeSlotCount; s++) {
        const Slot& slot = Slots[s];
        LowRomBanks[2 + s] = slot.attached ? slot.low : BasicRom;
        HighRomBanks[2 + s] = slot.attached && slot.hasHigh ? slot.high : KernalRom;
    }
}

bool ReadWhole(const std::string& path, std::vector<uint8_t>* bytes, std::string* message)
{
    uint64_t size = 0;
    std::FILE* file = OpenRegularFile(path.c_str(), &size);
    if (!file) {
        *message = "can't read " + path + " (missing, not a regular file, or not readable)";
        return false;
    }
    if (size != CartridgeHalfSize && size != 2 * CartridgeHalfSize) {
        std::fclose(file);
        *message = "a cartridge image has 16,384 or 32,768 bytes; " + path + " has " + std::to_string(size);
        return false;
    }
    bytes->resize(static_cast<size_t>(size));
    const bool read = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    std::fclose(file);
    if (!read)
        *message = "can't read " + path;
    return read;
}

// The high file of a pair: "lo" just before the extension becomes "hi" in
// the same case.  Empty when the name has no "lo" there.
std::string HighPartner(const std::string& path)
{
    std::filesystem::path p(path);
    std::string stem = p.stem().string();
    if (stem.size() < 2 || strcasecmp(stem.c_str() + stem.size() - 2, "lo") != 0)
        return {};
    const bool upper = stem[stem.size() - 2] == 'L';
    stem.replace(stem.size() - 2, 2, upper ? "HI" : "hi");
    return (p.parent_path() / (stem + p.extension().string())).string();
}

bool HasCrtSignature(const std::string& path)
{
    uint64_t size = 0;
    std::FILE* file = OpenRegularFile(path.c_str(), &size);
    if (!file)
        return false;
    char head[16] = {};
    const bool read = std::fread(head, 1, sizeof head, file) == sizeof head;
    std::fclose(file);
    return read && std::memcmp(head, "C64 CARTRIDGE", 13) == 0;
}

}  // namespace

bool CartridgeAttach(const std::string& path, int slot, std::string* message)
{
    if (!ValidSlot(slot)) {
        *message = "cartridge slots are 1 and 2";
        return false;
    }
    if (HasCrtSignature(path)) {
        *message = path + " is a CRT container; only raw 16 KiB or 32 KiB ROM images are read";
        return false;
    }
    std::vector<uint8_t> low;
    if (!ReadWhole(path, &low, message))
        return false;
    std::vector<uint8_t> high;
    if (low.size() == 2 * CartridgeHalfSize) {
        high.assign(low.begin() + CartridgeHalfSize, low.end());
        low.resize(CartridgeHalfSize);
    } else if (std::string partner = HighPartner(path); !partner.empty()) {
        std::error_code error;
        if (std::filesystem::exists(partner, error)) {
            if (!ReadWhole(partner, &high, message))
                return false;
            if (high.size() != CartridgeHalfSize) {
                *message = "the high half " + partner + " must have 16,384 bytes";
                return false;
            }
        }
    }
    Slot& s = Slots[slot - 1];
    std::memcpy(s.low, low.data(), CartridgeHalfSize);
    s.hasHigh = !high.empty();
    if (s.hasHigh)
        std::memcpy(s.high, high.data(), CartridgeHalfSize);
    s.attached = true;
    s.path = path;
    RefreshBanks();
    return true;
}

void CartridgeDetach(int slot)
{
    if (!ValidSlot(slot))
        return;
    Slot& s = Slots[slot - 1];
    s.attached = false;
    s.hasHigh = false;
    s.path.clear();
    // A latch left on the empty slot shows bank 0's images there.
    RefreshBanks();
}

bool CartridgeAttached(int slot) { return ValidSlot(slot) && Slots[slot - 1].attached; }

std::string CartridgeDescription(int slot)
{
    if (!CartridgeAttached(slot))
        return {};
    const Slot& s = Slots[slot - 1];
    std::string name = std::filesystem::path(s.path).filename().string();
    return s.hasHigh ? name + " (32 KIB)" : name + " (16 KIB)";
}

bool AnyCartridgeAttached()
{
    for (const Slot& s : Slots)
        if (s.attached)
            return true;
    return false;
}

uint8_t BankLatchValue(uint8_t n)
{
    const bool functionRom = FunctionRomPresent();
    if (!functionRom && !AnyCartridgeAttached())
        return 0;
    n &= 0x0F;
    // Without the function ROM its bank shows BASIC and the KERNAL.
    if (!functionRom && (n & 0x03) == 0x01)
        n &= 0x0C;
    if (!functionRom && (n & 0x0C) == 0x04)
        n &= 0x03;
    return n;
}

void LogCartridgeSlots(const char* when)
{
    for (int slot = 1; slot <= CartridgeSlotCount; slot++) {
        const Slot& s = Slots[slot - 1];
        LogLine("Info: %s: cartridge slot %d %s%s.\n", when, slot, s.attached ? "holds " : "is empty",
                s.attached ? s.path.c_str() : "");
    }
}

void ResetCartridgeState()
{
    for (Slot& s : Slots) {
        s.attached = false;
        s.hasHigh = false;
        s.path.clear();
    }
    RefreshBanks();
}
