// Cartridges with the real KERNAL and the open ROM: images assembled with
// ca65, found (or not) by the ROM's scan at reset, in either slot, 16 or 32
// KiB; the bank latch reaching them; bad images refused with a message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "cartridge/cartridge.h"
#include "files/snapshot_file.h"
#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/desktop.h"
#include "support/headless_runner.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

// A module: JMP cold start, JMP warm start, module number (1 = autostart),
// "CBM" (or not).  Its code shows a text at the top of the screen (screen
// codes at 0x0400, where the TED's matrix is before the KERNAL sets it up)
// from the low half, then from the high half (when there is one), and
// waits there.
std::string ModuleSource(const char* signature, bool withHigh)
{
    std::string s = R"(
        .segment "LOW"
        jmp start
        jmp start
        .byte 1
        .byte ")" + std::string(signature) + R"("
start:  sei
        ldx #0
low:    lda text,x
        sta $0400,x
        inx
        cpx #6
        bne low
)";
    s += withHigh ? "        jmp high\n" : "wait:   jmp wait\n";
    s += "text:   .byte 3,1,18,20,32,12   ; CART L\n";
    if (withHigh)
        s += R"(
        .segment "HIGH"
high:   lda #8                  ; H
        sta $0405
hwait:  jmp hwait
)";
    return s;
}

constexpr const char* LinkerConfig = R"(
MEMORY { LO: start = $8000, size = $4000, fill = yes, file = %O;
         HI: start = $C000, size = $4000, fill = yes, file = %O; }
SEGMENTS { LOW: load = LO, type = ro; HIGH: load = HI, type = ro, optional = yes; }
)";

struct CartridgeTest : ::testing::Test {
    ScratchDirectory scratch;
    bool stock = false;   // without the real images only the open ROM runs
    void SetUp() override
    {
        if (std::system("command -v cl65 >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "cl65 (cc65) is not installed";
        if ((stock = !RealRomDirectory().empty()))
            scratch.CopyRealRoms();
        UseOpenRom(false);
        scratch.WriteText("cart.cfg", LinkerConfig);
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    void UseOpenRom(bool open) const
    {
        scratch.WriteText("settings", std::string("SoundEmulation=0\nOpenRom=") + (open ? "1" : "0") + "\n");
    }
    // Assembles an image; 32 KiB when withHigh, else only the low 16 KiB.
    void Assemble(const std::string& name, const char* signature, bool withHigh)
    {
        scratch.WriteText(name + ".s", ModuleSource(signature, withHigh));
        const std::string command = "cd '" + scratch.path + "' && cl65 -t none -C cart.cfg -o " + name + " " + name +
                                    ".s" + (withHigh ? "" : " && truncate -s 16384 " + name);
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static std::string TopLine(const std::string& screen) { return screen.substr(0, screen.find('\n')); }
};

TEST_F(CartridgeTest, AutostartModuleTakesOverAtResetInEitherSlot)
{
    Assemble("auto16.bin", "CBM", false);
    Assemble("auto32.bin", "CBM", true);
    const struct {
        bool openRom;
        const char* option;
        const char* shown;
    } cases[] = {{false, "auto16.bin", "CART L"}, {false, "auto16.bin,2", "CART L"}, {false, "auto32.bin", "CART H"},
                 {true, "auto16.bin", "CART L"},  {true, "auto16.bin,2", "CART L"},  {true, "auto32.bin", "CART H"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.option) + (c.openRom ? " on the open ROM" : ""));
        if (!c.openRom && !stock)
            continue;
        UseOpenRom(c.openRom);
        RunnerResult run = RunHeadless(std::string("--cart ") + c.option + " --frames 100 --screen-text");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(TopLine(run.out).substr(0, 6), c.shown) << run.out;
        EXPECT_EQ(run.out.find(c.openRom ? "RAVLIN" : "BASIC"), std::string::npos) << "the ROM's own start never comes";
    }
}

TEST_F(CartridgeTest, ModuleWithoutTheHeaderLeavesBasicAndIsReachable)
{
    REQUIRE_REAL_ROMS();
    Assemble("plain.bin", "XYZ", true);
    ASSERT_TRUE(BootMachine());
    std::string message;
    ASSERT_TRUE(CartridgeAttach("plain.bin", 2, &message)) << message;
    HardReset();
    int exitCode = 0;
    ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 100));
    const std::string screen = ScreenText();
    EXPECT_NE(screen.find("COMMODORE BASIC V3.5"), std::string::npos) << screen;
    EXPECT_NE(screen.find("READY."), std::string::npos) << screen;
    // The latch reaches slot 2 (bank 3) in either window, and bank 0 again.
    WriteByte(0xFDDF, 0);
    EXPECT_EQ(ReadByte(0x8000), 0x4C);
    EXPECT_EQ(ReadByte(0x8007), 'X');
    EXPECT_EQ(ReadByte(0xC000), 0xA9);
    EXPECT_EQ(ReadByte(0xFC00), KernalRom[0x3C00]) << "the KERNAL's fixed page";
    WriteByte(0xFDDB, 0);   // low: slot 2, high: slot 1 (empty: the KERNAL shows)
    EXPECT_EQ(ReadByte(0x8000), 0x4C);
    EXPECT_EQ(ReadByte(0xC000), KernalRom[0]);
    WriteByte(0xFDD0, 0);
    EXPECT_EQ(ReadByte(0x8000), BasicRom[0]);
    // A reset keeps the cartridge and clears the latch.
    WriteByte(0xFDDF, 0);
    HardReset();
    EXPECT_EQ(Ted.RomBank, 0);
    EXPECT_TRUE(CartridgeAttached(2));
}

TEST_F(CartridgeTest, SnapshotsNameTheSlotsInTheLog)
{
    scratch.WriteText("settings", "SoundEmulation=0\nLog=1\n");
    scratch.WriteFile("c.bin", std::vector<uint8_t>(16384, 0));
    ASSERT_TRUE(BootMachine());
    std::string message;
    ASSERT_TRUE(CartridgeAttach("c.bin", 1, &message)) << message;
    ASSERT_TRUE(SaveSnapshotFile("s.fre"));
    EXPECT_EQ(ReadBinaryFile("s.fre").size(), SnapshotFileSize) << "the format stays";
    ASSERT_TRUE(LoadSnapshotFile("s.fre"));
    std::fflush(LogFile);
    const std::string log = scratch.ReadText("Ravlin.log");
    EXPECT_NE(log.find("Info: snapshot saved: cartridge slot 1 holds c.bin.\n"
                       "Info: snapshot saved: cartridge slot 2 is empty.\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Info: snapshot loaded: cartridge slot 1 holds c.bin.\n"), std::string::npos) << log;
}

TEST_F(CartridgeTest, PairOfHalvesAndBadImages)
{
    scratch.WriteFile("gamelo.rom", std::vector<uint8_t>(16384, 0x11));
    scratch.WriteFile("gamehi.rom", std::vector<uint8_t>(16384, 0x22));
    std::string message;
    ASSERT_TRUE(CartridgeAttach("gamelo.rom", 1, &message)) << message;
    EXPECT_EQ(CartridgeDescription(1), "gamelo.rom (32 KIB)");
    EXPECT_EQ(HighRomBanks[2][0], 0x22);

    std::vector<uint8_t> crt(16448, 0);
    const char crtSignature[] = "C64 CARTRIDGE   ";
    std::copy(crtSignature, crtSignature + 16, crt.begin());
    scratch.WriteFile("game.crt", crt);
    scratch.WriteFile("short.bin", std::vector<uint8_t>(8192, 0));
    scratch.WriteFile("badlo.bin", std::vector<uint8_t>(16384, 0));
    scratch.WriteFile("badhi.bin", std::vector<uint8_t>(100, 0));
    const struct {
        const char* path;
        int slot;
        const char* says;
    } cases[] = {
        {"short.bin", 1, "has 16,384 or 32,768 bytes; short.bin has 8192"},
        {"game.crt", 1, "is a CRT container"},
        {"missing.bin", 2, "can't read missing.bin"},
        {"badlo.bin", 2, "has 16,384 or 32,768 bytes; badhi.bin has 100"},
        {"gamelo.rom", 3, "cartridge slots are 1 and 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(CartridgeAttach(c.path, c.slot, &message));
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
    }
    EXPECT_EQ(CartridgeDescription(1), "gamelo.rom (32 KIB)") << "a refused image changes nothing";
    EXPECT_FALSE(CartridgeAttached(2));
    RunnerResult run = RunHeadless("--cart short.bin --frames 10");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("has 16,384 or 32,768 bytes"), std::string::npos) << run.err;
    RunnerResult slot3 = RunHeadless("--cart gamelo.rom,3 --frames 10");
    EXPECT_EQ(slot3.exitCode, 2);
    EXPECT_NE(slot3.err.find("slot 1 or 2"), std::string::npos) << slot3.err;
}

}  // namespace
