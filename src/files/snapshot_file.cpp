#include "files/snapshot_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "cartridge/cartridge.h"
#include "cpu/cpu.h"
#include "files/regular_file.h"
#include "drive/bus_port.h"
#include "drive/hardware_drive.h"
#include "files/safe_save.h"
#include "machine/log.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "ted/line_setup.h"
#include "ted/registers.h"

namespace {

// One field of the file header: its size in bytes, the value written, and
// what a load does with the value read (nothing for the ignored fields).
struct SnapshotField {
    uint8_t size;
    uint32_t (*saved)();
    void (*apply)(uint32_t value);
};

constexpr uint32_t Flag(uint8_t value) { return value ? 1 : 0; }

// The first field names the machine model (files from before the models
// hold 0, the Plus/4, as does any value that names no model).  A snapshot
// resumes on its own model: the load puts it in force, as a hard reset
// would, and the next hard reset brings back the one chosen in the options.
uint8_t LoadedModel = ModelPlus4;

// The status byte in the PHP form: N V 0 B D I Z C.  Reading sets each flag
// byte to 0 or 1 and ignores bit 5; the processor's scratch byte, which a
// PLP would also set, stays as it was.
void ApplyStatus(uint32_t value)
{
    Cpu.FlagN = (value >> 7) & 1;
    Cpu.FlagV = (value >> 6) & 1;
    Cpu.FlagB = (value >> 4) & 1;
    Cpu.FlagD = (value >> 3) & 1;
    Cpu.FlagI = (value >> 2) & 1;
    Cpu.FlagZ = (value >> 1) & 1;
    Cpu.FlagC = value & 1;
}

// A counter is written with all its bits, but read back as the 16 bits
// the real counter has: whatever a file holds, the timer runs out within
// one turn and its arithmetic can't overflow.
constexpr int32_t CounterBits(uint32_t value) { return static_cast<int32_t>(value & 0xFFFF); }

// Timer 2 and 3 latches have no place in the file: their fields are
// written as 0 and skipped when read.
constexpr SnapshotField SnapshotFields[] = {
    {2, [] { return uint32_t{MachineModel}; }, [](uint32_t v) { LoadedModel = v <= ModelC16With64K ? static_cast<uint8_t>(v) : ModelPlus4; }},
    {2, [] { return 0x0001u; }, nullptr},
    {4, [] { return uint32_t{Cpu.PC}; }, [](uint32_t v) { Cpu.PC = static_cast<uint16_t>(v); }},
    {4, [] { return uint32_t{PackStatusPhp()}; }, ApplyStatus},
    {4, [] { return uint32_t{Cpu.AC}; }, [](uint32_t v) { Cpu.AC = static_cast<uint8_t>(v); }},
    {4, [] { return uint32_t{Cpu.XR}; }, [](uint32_t v) { Cpu.XR = static_cast<uint8_t>(v); }},
    {4, [] { return uint32_t{Cpu.YR}; }, [](uint32_t v) { Cpu.YR = static_cast<uint8_t>(v); }},
    {4, [] { return uint32_t{Cpu.SP}; }, [](uint32_t v) { Cpu.SP = static_cast<uint8_t>(v); }},
    {4, [] { return 1024u; }, nullptr},
    {4, [] { return Ted.RomEnabled == 1 ? 1u : 0u; }, [](uint32_t v) { Ted.RomEnabled = v != 0; }},
    {4, [] { return static_cast<uint32_t>(Ted.Timer1Counter); },
        [](uint32_t v) { Ted.Timer1Counter = CounterBits(v); }},
    {4, [] { return uint32_t{Ted.Timer1Latch}; }, [](uint32_t v) { Ted.Timer1Latch = static_cast<uint16_t>(v); }},
    {4, [] { return Flag(Ted.Timer1Running); }, [](uint32_t v) { Ted.Timer1Running = v != 0; }},
    {4, [] { return static_cast<uint32_t>(Ted.Timer2Counter); },
        [](uint32_t v) { Ted.Timer2Counter = CounterBits(v); }},
    {4, [] { return 0u; }, nullptr},
    {4, [] { return Flag(Ted.Timer2Running); }, [](uint32_t v) { Ted.Timer2Running = v != 0; }},
    {4, [] { return static_cast<uint32_t>(Ted.Timer3Counter); },
        [](uint32_t v) { Ted.Timer3Counter = CounterBits(v); }},
    {4, [] { return 0u; }, nullptr},
    {4, [] { return Flag(Ted.Timer3Running); }, [](uint32_t v) { Ted.Timer3Running = v != 0; }},
};

constexpr uint32_t HeaderSize()
{
    uint32_t total = 0;
    for (const SnapshotField& field : SnapshotFields)
        total += field.size;
    return total;
}
static_assert(HeaderSize() == 72 && HeaderSize() + 0x10000 == SnapshotFileSize);

}  // namespace

bool SaveSnapshotFile(const char* fileName)
{
    if (!Ram64)
        return false;
    std::vector<uint8_t> image;
    image.reserve(SnapshotFileSize);
    for (const SnapshotField& field : SnapshotFields) {
        uint32_t value = field.saved();
        for (int i = 0; i < field.size; i++)
            image.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    // The address space's RAM: on the C16 with 16 KiB each address shows
    // the byte of the 16 KiB it reaches, but for the I/O area's own bytes
    // (memory_map.cpp), so the file reads the same whichever model loads it.
    for (uint32_t address = 0; address < 0x10000; address++) {
        const bool io = address >= 0xFD00 && address < 0xFF40;
        image.push_back(Ram64[io ? address : RamAddress(static_cast<uint16_t>(address))]);
    }
    if (!SaveFileReplacing(fileName, image.data(), image.size()))
        return false;
    // The cartridges are not part of the snapshot: the log says what was in.
    LogCartridgeSlots("snapshot saved");
    return true;
}

bool LoadSnapshotFile(const char* fileName)
{
    if (!Ram64 || !fileName)
        return false;
    uint64_t size = 0;
    std::FILE* file = OpenRegularFile(fileName, &size);
    if (!file)
        return false;
    // Only a whole snapshot is applied, and only once all of it is read:
    // a file of another size, or one that can't be read to its end,
    // leaves the machine as it was.
    std::vector<uint8_t> image;
    if (size == SnapshotFileSize) {
        image.resize(SnapshotFileSize);
        if (std::fread(image.data(), 1, SnapshotFileSize, file) != SnapshotFileSize)
            image.clear();
    }
    std::fclose(file);
    if (image.empty())
        return false;

    const uint8_t* field = image.data();
    for (const SnapshotField& f : SnapshotFields) {
        uint32_t value = 0;
        for (int i = 0; i < f.size; i++)
            value |= static_cast<uint32_t>(field[i]) << (8 * i);
        if (f.apply)
            f.apply(value);
        field += f.size;
    }
    // The RAM after the model: the C16's 16 KiB take the file's first 16 KiB.
    if (UseMachineModel(LoadedModel))
        LogMachineModel();
    std::memcpy(Ram64, field, 0x10000);
    RefreshRamImage();

    // An interrupt noticed before the load belongs to the old program; and
    // the sound follows the restored registers, not the old writes.
    Ted.IrqPending = 0;
    Ted.IrqDelay = 0;
    ReapplySoundRegisters();
    // In the measured model the TED starts a frame: a snapshot saved at a
    // frame's start resumes exactly.
    PlaceAtFrameStart();
    // The drive is not part of the snapshot: the restored program finds it
    // as after a reset, its channels closed (a 1541 booted and idle).
    DriveBusReset();
    HardwareDriveRestartIdle();
    LogCartridgeSlots("snapshot loaded");
    return true;
}
