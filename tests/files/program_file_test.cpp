#include <gtest/gtest.h>

#include <filesystem>

#include "files/program_file.h"
#include "files_fixture.h"

namespace {

uint16_t PointerPair(uint16_t address)
{
    return static_cast<uint16_t>(Ram64[address] | (Ram64[address + 1] << 8));
}

constexpr uint16_t PointerPairs[4] = {0x2D, 0x2F, 0x31, 0x9D};
constexpr uint16_t Untouched = 0xBEEF;   // marks pointers a load must leave alone

void MarkPointers()
{
    for (uint16_t pair : PointerPairs) {
        Ram64[pair] = static_cast<uint8_t>(Untouched);
        Ram64[pair + 1] = static_cast<uint8_t>(Untouched >> 8);
    }
}

using ProgramFileTest = FilesTest;

struct LoadCase {
    const char* what;
    uint16_t address;
    size_t dataBytes;
    size_t storedBytes;       // bytes that must land in RAM
    uint16_t pointers;        // Untouched when the pairs must not move
};

TEST_F(ProgramFileTest, LoadsDataAndMovesBasicPointers)
{
    const LoadCase cases[] = {
        {"100 bytes at the start of BASIC", 0x1001, 100, 100, 0x1065},
        {"pointers count from 0x1001 whatever the address", 0x2000, 256, 256, 0x1101},
        {"55,903 bytes: the last size that moves the pointers", 0x1001, 55903, 55903, 0xEA60},
        {"55,904 bytes leave the pointers alone", 0x1001, 55904, 55904, Untouched},
        {"only the first 60,000 data bytes are read", 0x0400, 60001, 60000, Untouched},
        {"all of memory from 0x0000", 0x0000, 0x10000, 60000, Untouched},
        {"address only: no data, pointers at 0x1001", 0x3000, 0, 0, 0x1001},
        {"data up to 0xFFFF", 0xFFF0, 16, 16, 0x1011},
        {"a load at 0xFFFF takes one byte", 0xFFFF, 1, 1, 0x1002},
        {"a high address and many bytes", 0x4000, 49152, 49152, 0xD001},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        MarkPointers();
        std::vector<uint8_t> before = RamCopy();
        std::vector<uint8_t> data = PatternBytes(c.dataBytes, static_cast<uint8_t>(c.address));
        scratch.WriteFile("GAME.PRG", ProgramImage(c.address, data));
        CpuRegisters registers = Cpu;
        uint8_t romEnabled = Ted.RomEnabled;

        EXPECT_TRUE(LoadProgramFile("GAME.PRG"));

        std::vector<uint8_t> expected = before;
        std::copy(data.begin(), data.begin() + static_cast<long>(c.storedBytes), expected.begin() + c.address);
        if (c.pointers != Untouched) {
            for (uint16_t pair : PointerPairs) {
                expected[pair] = static_cast<uint8_t>(c.pointers);
                expected[pair + 1] = static_cast<uint8_t>(c.pointers >> 8);
                EXPECT_EQ(PointerPair(pair), c.pointers) << "pair at " << std::hex << pair;
            }
        }
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), Ram64)) << "RAM differs";
        EXPECT_EQ(0, std::memcmp(&registers, &Cpu, sizeof Cpu));
        EXPECT_EQ(Ted.RomEnabled, romEnabled);
        ASSERT_TRUE(GuardsIntact());
    }
}

TEST_F(ProgramFileTest, BadFilesChangeNothing)
{
    std::filesystem::create_directory(scratch.path + "/FOLDER.PRG");
    scratch.WriteFile("EMPTY.PRG", {});
    scratch.WriteFile("ONE.PRG", {0x01});
    // Data that would run past 0xFFFF is refused whole, not wrapped to 0x0000.
    scratch.WriteFile("PAST.PRG", ProgramImage(0xFFF0, PatternBytes(17)));
    scratch.WriteFile("HUGE.PRG", ProgramImage(0x0000, PatternBytes(0x10001)));
    const uint8_t past[2] = {0xF0, 0xFF};
    EXPECT_EQ(ProgramLoadProblem(past, 2 + 17), "too long: 17 bytes from $FFF0 run past $FFFF (16 fit)");
    struct {
        const char* name;
    } cases[] = {{"MISSING.PRG"}, {"EMPTY.PRG"}, {"ONE.PRG"}, {"FOLDER.PRG"}, {"PAST.PRG"}, {"HUGE.PRG"},
                 // opens, but every read fails (address 0 of the process is unmapped)
                 {"/proc/self/mem"}};
    MarkPointers();
    std::vector<uint8_t> before = RamCopy();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(LoadProgramFile(c.name));
        EXPECT_TRUE(std::equal(before.begin(), before.end(), Ram64));
    }
}

TEST_F(ProgramFileTest, RegisterBytesAreReplacedWithoutTheirEffects)
{
    Ted.Timer1Counter = 0x1234;
    Ted.RomEnabled = 1;
    // Bytes for 0xFF00 (timer 1) and 0xFF3F (ROM off) land as plain RAM.
    std::vector<uint8_t> data(0x40, 0x77);
    scratch.WriteFile("TED.PRG", ProgramImage(0xFF00, data));
    EXPECT_TRUE(LoadProgramFile("TED.PRG"));
    EXPECT_EQ(Ram64[0xFF00], 0x77);
    EXPECT_EQ(Ram64[0xFF3F], 0x77);
    EXPECT_EQ(Ted.Timer1Counter, 0x1234);
    EXPECT_EQ(Ted.RomEnabled, 1);
}

TEST_F(ProgramFileTest, NamesWithSpacesWork)
{
    scratch.WriteFile("my game.prg", ProgramImage(0x1001, {1, 2, 3}));
    EXPECT_TRUE(LoadProgramFile("my game.prg"));
    EXPECT_EQ(Ram64[0x1003], 3);
    EXPECT_TRUE(SaveProgramFile("saved copy.prg", 0x1001, 0x1004));
    EXPECT_EQ(ReadBinaryFile(scratch.path + "/saved copy.prg"), ProgramImage(0x1001, {1, 2, 3}));
}

TEST_F(ProgramFileTest, SaveWritesAddressThenRamEndExclusive)
{
    std::vector<uint8_t> data = PatternBytes(101);
    std::copy(data.begin(), data.end(), Ram64 + 0x1001);
    ASSERT_TRUE(SaveProgramFile("OUT.PRG", 0x1001, 0x1065));
    std::vector<uint8_t> file = ReadBinaryFile(scratch.path + "/OUT.PRG");
    ASSERT_EQ(file.size(), 102u);
    data.pop_back();   // the byte at the end address is not saved
    EXPECT_EQ(file, ProgramImage(0x1001, data));
}

TEST_F(ProgramFileTest, SaveTakesRamUnderRomAndRegisterBytesAsStored)
{
    Ted.RomEnabled = 1;
    BasicRom[0] = 0x11;
    Ram64[0x8000] = 0x22;
    Ted.Timer1Counter = 0xABCD;   // the processor would read CD at 0xFF00
    Ram64[0xFF00] = 0x33;
    ASSERT_TRUE(SaveProgramFile("ROM.PRG", 0x8000, 0x8001));
    EXPECT_EQ(ReadBinaryFile(scratch.path + "/ROM.PRG"), std::vector<uint8_t>({0x00, 0x80, 0x22}));
    ASSERT_TRUE(SaveProgramFile("TED.PRG", 0xFF00, 0xFF01));
    EXPECT_EQ(ReadBinaryFile(scratch.path + "/TED.PRG"), std::vector<uint8_t>({0x00, 0xFF, 0x33}));
    ASSERT_TRUE(SaveProgramFile("TOP.PRG", 0x0000, 0xFFFF));
    EXPECT_EQ(ReadBinaryFile(scratch.path + "/TOP.PRG").size(), 2u + 0xFFFF);
}

TEST_F(ProgramFileTest, SavedFileLoadsBackToTheSameBytes)
{
    std::vector<uint8_t> data = PatternBytes(5000, 9);
    std::copy(data.begin(), data.end(), Ram64 + 0x3000);
    ASSERT_TRUE(SaveProgramFile("ROUND.PRG", 0x3000, 0x3000 + 5000));
    std::memset(Ram64 + 0x3000, 0, 5000);
    ASSERT_TRUE(LoadProgramFile("ROUND.PRG"));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), Ram64 + 0x3000));
}

TEST_F(ProgramFileTest, SaveRefusesEmptyAndReversedRanges)
{
    EXPECT_FALSE(SaveProgramFile("NONE.PRG", 0x2000, 0x2000));
    EXPECT_FALSE(SaveProgramFile("NONE.PRG", 0x2001, 0x2000));
    EXPECT_TRUE(Listing().empty());
}

}  // namespace
