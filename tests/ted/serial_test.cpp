// The serial bus hook: every write to 0x0001 is logged, and the recogniser
// follows attention, acknowledgement and clocked bits.
#include <gtest/gtest.h>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

TEST(SerialBus, RecognisesAttentionThenAcknowledgeThenBits)
{
    ScratchDirectory dir;
    dir.WriteTinyRoms();
    dir.WriteText("settings", "Log=1\n");
    ASSERT_TRUE(BootMachine());
    long start = std::ftell(LogFile);

    WriteByte(0x0001, 0x02);   // state 0, ATN 0: only the line
    WriteByte(0x0001, 0x07);
    WriteByte(0x0001, 0x07);
    WriteByte(0x0001, 0x04);
    WriteByte(0x0001, 0x06);
    EXPECT_EQ(SerialHackState, 2);
    std::fflush(LogFile);
    EXPECT_EQ(dir.ReadText("Ravlin.log").substr(static_cast<size_t>(start)),
              "W: ATN=0 CLK=1 DATA=0   /02\n"
              "W: ATN=1 CLK=1 DATA=1   /07\n"
              "Hack: Megszolit\n\n"
              "W: ATN=1 CLK=1 DATA=1   /07\n"
              "Hack: Megszolit igazol\n\n"
              "W: ATN=1 CLK=0 DATA=0   /04\n"
              "Hack: Kuld bit\n\n"
              "W: ATN=1 CLK=1 DATA=0   /06\n");

    // A program hammering the port: the log stops at 1 MiB, its last line
    // saying it was cut, and nothing follows.
    for (int i = 0; i < 100000; i++)
        WriteByte(0x0001, static_cast<uint8_t>(i));
    std::fflush(LogFile);
    std::string log = dir.ReadText("Ravlin.log");
    EXPECT_LE(log.size(), LogLimit);
    EXPECT_GT(log.size(), LogLimit - 100);
    ASSERT_GT(log.size(), sizeof LogCutLine);
    EXPECT_EQ(log.substr(log.size() - (sizeof LogCutLine - 1)), LogCutLine);
    EXPECT_EQ(log.find(LogCutLine), log.size() - (sizeof LogCutLine - 1));
    ResetMachineToPowerOn();
}

TEST(SerialBus, WithoutLogOnlyTheStateMoves)
{
    ScratchDirectory dir;
    dir.WriteTinyRoms();
    ASSERT_TRUE(BootMachine());
    WriteByte(0x0001, 0x07);
    EXPECT_EQ(SerialHackState, 1);
    EXPECT_FALSE(dir.Exists("Ravlin.log"));
    ResetMachineToPowerOn();
}

}  // namespace
