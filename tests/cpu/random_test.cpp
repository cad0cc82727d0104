// Any byte sequence is a program.  Millions of instructions from random
// memory, with random registers, ROM on and off, must neither crash nor
// touch anything outside Ram64 (run this under the sanitizers: the RAM is an
// exactly sized block there).
#include <random>

#include "flat_machine.h"

namespace {

using RandomPrograms = FlatMachine;

TEST_F(RandomPrograms, RunWithoutCrashingOrLeavingRam)
{
    std::mt19937 random(12345);
    auto byte = [&] { return static_cast<uint8_t>(random()); };
    for (uint8_t& b : BasicRom)
        b = byte();
    for (uint8_t& b : KernalRom)
        b = byte();

    long instructions = 0;
    for (int round = 0; round < 80; round++) {
        for (uint8_t& b : memory)
            b = byte();
        Ted.RomEnabled = round & 1;
        Cpu.PC = static_cast<uint16_t>(random());
        Cpu.AC = byte();
        Cpu.XR = byte();
        Cpu.YR = byte();
        Cpu.SP = byte();
        Cpu.FlagD = byte() & 1;
        Cpu.FlagC = byte() & 1;
        for (int i = 0; i < 50000; i++) {
            uint16_t pc = Cpu.PC;
            ExecuteInstruction();
            instructions++;
            ASSERT_LE(LastCycle, 8);
            // Jams and the four do-nothing opcodes stay put; move on.
            if (Cpu.PC == pc)
                Cpu.PC = static_cast<uint16_t>(random());
        }
    }
    EXPECT_EQ(instructions, 4000000);
    // Page 1 is the stack; everything else of the machine is still where it was.
    EXPECT_EQ(Ram64, memory.data());
}

}  // namespace
