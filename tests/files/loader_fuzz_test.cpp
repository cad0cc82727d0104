// Random and mutated program and snapshot files fed to the loaders.  Each
// load is checked against a model of the file format: RAM, registers and
// timers change exactly as the file says, and nothing outside Ram64.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "files/program_file.h"
#include "files/snapshot_file.h"
#include "files_fixture.h"
#include "machine/machine_model.h"

namespace {

using LoaderFuzzTest = FilesTest;

struct Machine {
    std::vector<uint8_t> ram;
    CpuRegisters cpu;
    TedState ted;
    uint8_t model;
};

Machine Capture()
{
    return Machine{std::vector<uint8_t>(Ram64, Ram64 + 0x10000), Cpu, Ted, MachineModel};
}

void ExpectMachine(Machine m)
{
    ASSERT_TRUE(std::equal(m.ram.begin(), m.ram.end(), Ram64)) << "RAM differs from the model";
    ASSERT_EQ(0, std::memcmp(&m.cpu, &Cpu, sizeof Cpu)) << "registers differ from the model";
    m.ted.Watch = Ted.Watch;   // the renderer's cache, which a new model rebuilds
    ASSERT_EQ(0, std::memcmp(&m.ted, &Ted, sizeof Ted)) << "TED state differs from the model";
    ASSERT_EQ(m.model, MachineModel);
}

// Sizes that reach the interesting places: near empty, around the header
// and field edges, around the 60,000-byte cap and the full snapshot size.
size_t InterestingSize(std::mt19937& rng)
{
    static const size_t edges[] = {0, 1, 2, 3, 4, 39, 71, 72, 73, 55905, 55906, 60001, 60002, 60003, 65607, 65608, 65609, 70000, 100000};
    switch (rng() % 3) {
    case 0: return edges[rng() % std::size(edges)];
    case 1: return rng() % 300;
    default: return rng() % 100001;
    }
}

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n)
{
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(rng());
    return bytes;
}

// A valid-looking file bent a little: bytes flipped, cut short or extended.
std::vector<uint8_t> Mutate(std::mt19937& rng, std::vector<uint8_t> file)
{
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < edits && !file.empty(); i++)
        file[rng() % std::min<size_t>(file.size(), rng() % 2 ? 80 : file.size())] = static_cast<uint8_t>(rng());
    switch (rng() % 3) {
    case 0: file.resize(rng() % (file.size() + 1)); break;
    case 1: file.resize(file.size() + rng() % 5000, static_cast<uint8_t>(rng())); break;
    default: break;
    }
    return file;
}

// A program whose data runs past 0xFFFF is refused whole.
bool ModelProgramLoad(Machine& m, const std::vector<uint8_t>& file)
{
    if (file.size() < 2)
        return false;
    uint32_t address = file[0] | (file[1] << 8);
    if (file.size() - 2 > 0x10000 - address)
        return false;
    size_t n = std::min<size_t>({file.size() - 2, 60000});
    std::copy(file.begin() + 2, file.begin() + 2 + static_cast<long>(n), m.ram.begin() + address);
    uint32_t end = 0x1001 + static_cast<uint32_t>(n);
    if (end <= 60000)
        for (uint32_t pair : {0x2D, 0x2F, 0x31, 0x9D}) {
            m.ram[pair] = static_cast<uint8_t>(end);
            m.ram[pair + 1] = static_cast<uint8_t>(end >> 8);
        }
    return true;
}

// Only a file of exactly the snapshot's size is applied; counters by their
// low 16 bits, and an interrupt noticed before the load is dropped.
void ModelSnapshotLoad(Machine& m, const std::vector<uint8_t>& file)
{
    if (file.size() != SnapshotFileSize)
        return;
    m.ted.IrqPending = 0;
    m.ted.IrqDelay = 0;
    auto value = [&](size_t offset) {
        return file[offset] | (file[offset + 1] << 8) | (file[offset + 2] << 16) | (static_cast<uint32_t>(file[offset + 3]) << 24);
    };
    auto has = [&](size_t offset) { return file.size() >= offset + 4; };
    if (has(4)) m.cpu.PC = static_cast<uint16_t>(value(4));
    if (has(8)) {
        uint32_t s = value(8);
        m.cpu.FlagN = (s >> 7) & 1;
        m.cpu.FlagV = (s >> 6) & 1;
        m.cpu.FlagB = (s >> 4) & 1;
        m.cpu.FlagD = (s >> 3) & 1;
        m.cpu.FlagI = (s >> 2) & 1;
        m.cpu.FlagZ = (s >> 1) & 1;
        m.cpu.FlagC = s & 1;
    }
    if (has(12)) m.cpu.AC = static_cast<uint8_t>(value(12));
    if (has(16)) m.cpu.XR = static_cast<uint8_t>(value(16));
    if (has(20)) m.cpu.YR = static_cast<uint8_t>(value(20));
    if (has(24)) m.cpu.SP = static_cast<uint8_t>(value(24));
    if (has(32)) m.ted.RomEnabled = value(32) != 0;
    if (has(36)) m.ted.Timer1Counter = static_cast<int32_t>(value(36) & 0xFFFF);
    if (has(40)) m.ted.Timer1Latch = static_cast<uint16_t>(value(40));
    if (has(44)) m.ted.Timer1Running = value(44) != 0;
    if (has(48)) m.ted.Timer2Counter = static_cast<int32_t>(value(48) & 0xFFFF);
    if (has(56)) m.ted.Timer2Running = value(56) != 0;
    if (has(60)) m.ted.Timer3Counter = static_cast<int32_t>(value(60) & 0xFFFF);
    if (has(68)) m.ted.Timer3Running = value(68) != 0;
    if (file.size() > 72) {
        size_t n = std::min<size_t>(file.size() - 72, 0x10000);
        std::copy(file.begin() + 72, file.begin() + 72 + static_cast<long>(n), m.ram.begin());
    }
    // The first field names the model (1 and 2 the C16s); the C16's 16 KiB
    // keep their image at 0x4000.
    const unsigned model = file[0] | (file[1] << 8);
    m.model = model <= ModelC16With64K ? static_cast<uint8_t>(model) : ModelPlus4;
    if (m.model == ModelC16)
        std::copy(m.ram.begin(), m.ram.begin() + 0x4000, m.ram.begin() + 0x4000);
}

TEST_F(LoaderFuzzTest, RandomAndMutatedFiles)
{
    std::mt19937 rng(20240607);
    // Seeds for mutation: a real snapshot and a program at the start of BASIC.
    for (uint32_t a = 0; a < 0x10000; a++)
        Ram64[a] = static_cast<uint8_t>(rng());
    ASSERT_TRUE(SaveSnapshotFile("seed.fre"));
    const std::vector<uint8_t> snapshotSeed = ReadBinaryFile(scratch.path + "/seed.fre");
    const std::vector<uint8_t> programSeed = ProgramImage(0x1001, RandomBytes(rng, 3000));

    constexpr int Rounds = 3000;
    for (int round = 0; round < Rounds; round++) {
        bool snapshot = round % 2 == 1;
        std::vector<uint8_t> file;
        switch (rng() % 3) {
        case 0: file = RandomBytes(rng, InterestingSize(rng)); break;
        case 1: file = Mutate(rng, snapshot ? snapshotSeed : programSeed); break;
        default:   // a program placed high, running off the end of memory
            file = ProgramImage(static_cast<uint16_t>(0x10000 - rng() % 5000), RandomBytes(rng, rng() % 10000));
        }
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(file.size()) + " bytes");
        // Fresh, distinct state for every round.
        UseMachineModel(ModelPlus4);
        Cpu.PC = static_cast<uint16_t>(rng());
        Cpu.FlagN = static_cast<uint8_t>(rng() & 0x80);
        Ted.Timer1Counter = static_cast<int32_t>(rng() & 0xFFFF);
        Ted.RomEnabled = rng() & 1;
        uint32_t fill = rng();
        std::memset(Ram64, static_cast<int>(fill), 0x10000);

        Machine expected = Capture();
        const char* name = snapshot ? "fuzz.fre" : "fuzz.prg";
        // Removing first keeps the filesystem from flushing a truncated file.
        std::filesystem::remove(scratch.path + "/" + name);
        scratch.WriteFile(name, file);
        if (snapshot) {
            ModelSnapshotLoad(expected, file);
            EXPECT_EQ(LoadSnapshotFile(name), file.size() == SnapshotFileSize);
        } else {
            EXPECT_EQ(LoadProgramFile(name), ModelProgramLoad(expected, file));
        }
        ASSERT_NO_FATAL_FAILURE(ExpectMachine(expected));
        ASSERT_TRUE(GuardsIntact());
    }
}

}  // namespace
