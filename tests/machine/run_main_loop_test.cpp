// RunMainLoop against MainLoopPass: the same machine, frame by frame, run
// once pass by pass and once through the batching loop (in the measured
// model, runs from one TED event to the next), must come out the same at
// every frame end, in RAM, processor, timers, raster and picture.
// The program here leans on what the batching loop defers: it writes the
// raster compare with the line being drawn (so the compare must be seen
// within the line), reloads timer 1 from its interrupt handler, reads the
// timers all the time, and switches the single clock on and off.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cpu/registers.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "support/test_support.h"

namespace {

// Loaded at 0x1000; the tiny KERNAL's reset vector points there.
const std::vector<uint8_t> Program = {
    0x78,                    // 1000 SEI
    0x8D, 0x3F, 0xFF,        // 1001 STA $FF3F     RAM everywhere, own vectors
    0xA9, 0x40,              // 1004 LDA #$40
    0x8D, 0xFE, 0xFF,        // 1006 STA $FFFE
    0xA9, 0x10,              // 1009 LDA #$10
    0x8D, 0xFF, 0xFF,        // 100B STA $FFFF     interrupt handler at 0x1040
    0xA9, 0x1A,              // 100E LDA #$1A
    0x8D, 0x0A, 0xFF,        // 1010 STA $FF0A     raster, timers 1 and 2
    0x58,                    // 1013 CLI
    0xAD, 0x1D, 0xFF,        // 1014 LDA $FF1D     loop: the line counter
    0x8D, 0x0B, 0xFF,        // 1017 STA $FF0B     compare with this very line
    0xEE, 0x00, 0x20,        // 101A INC $2000
    0xAE, 0x00, 0xFF,        // 101D LDX $FF00     timer 1 low
    0x8E, 0x01, 0x20,        // 1020 STX $2001
    0xAD, 0x02, 0xFF,        // 1023 LDA $FF02     timer 2 low
    0x8D, 0x02, 0x20,        // 1026 STA $2002
    0xAD, 0x00, 0x20,        // 1029 LDA $2000
    0x29, 0x02,              // 102C AND #$02
    0x8D, 0x13, 0xFF,        // 102E STA $FF13     single clock on and off
    0x4C, 0x14, 0x10,        // 1031 JMP $1014
};

const std::vector<uint8_t> Handler = {
    0x48,                    // 1040 PHA
    0xEE, 0x03, 0x20,        // 1041 INC $2003
    0xAD, 0x09, 0xFF,        // 1044 LDA $FF09
    0x8D, 0x09, 0xFF,        // 1047 STA $FF09     acknowledge
    0x8D, 0x04, 0x20,        // 104A STA $2004
    0xAD, 0x00, 0xFF,        // 104D LDA $FF00
    0x29, 0x3F,              // 1050 AND #$3F
    0x8D, 0x00, 0xFF,        // 1052 STA $FF00     timer 1 stops
    0x8D, 0x01, 0xFF,        // 1055 STA $FF01     and starts from the new latch
    0x68,                    // 1058 PLA
    0x40,                    // 1059 RTI
};

// With interrupts masked, enables timer 3's interrupt long after its
// request was raised (after 192 x 256 turns of the loop): the next interrupt
// check must set 0xFF09 bit 7, and the loop counts the reads that see it.
// Loaded at 0x1100.
const std::vector<uint8_t> LateEnable = {
    0x78,                    // 1100 SEI
    0xAD, 0x09, 0xFF,        // 1101 LDA $FF09     loop
    0x10, 0x03,              // 1104 BPL $1109
    0xEE, 0x10, 0x20,        // 1106 INC $2010
    0xEE, 0x00, 0x20,        // 1109 INC $2000
    0xD0, 0xF3,              // 110C BNE $1101
    0xEE, 0x01, 0x20,        // 110E INC $2001
    0xAD, 0x01, 0x20,        // 1111 LDA $2001
    0xC9, 0xC0,              // 1114 CMP #$C0
    0xD0, 0xE9,              // 1116 BNE $1101
    0xA9, 0x40,              // 1118 LDA #$40
    0x8D, 0x0A, 0xFF,        // 111A STA $FF0A
    0x4C, 0x01, 0x11,        // 111D JMP $1101
};

// The bitmap bytes of the first cell's eight lines, written all the time
// while the beam shows them in two colours: the picture must be drawn up to
// each write's instruction before it.  Loaded at 0x1200.
const std::vector<uint8_t> BitmapWrites = {
    0xA9, 0x3B,              // 1200 LDA #$3B
    0x8D, 0x06, 0xFF,        // 1202 STA $FF06     bitmap mode
    0xA9, 0x08,              // 1205 LDA #$08
    0x8D, 0x12, 0xFF,        // 1207 STA $FF12     the bitmap at 0x2000
    0xA9, 0x71,              // 120A LDA #$71
    0x8D, 0x00, 0x0C,        // 120C STA $0C00     the first cell's colours
    0x8D, 0x00, 0x08,        // 120F STA $0800
    0xEE, 0x00, 0x20,        // 1212 INC $2000     loop
    0xEE, 0x01, 0x20,        // 1215 INC $2001
    0xEE, 0x02, 0x20,        // 1218 INC $2002
    0xEE, 0x03, 0x20,        // 121B INC $2003
    0xEE, 0x04, 0x20,        // 121E INC $2004
    0xEE, 0x05, 0x20,        // 1221 INC $2005
    0xEE, 0x06, 0x20,        // 1224 INC $2006
    0xEE, 0x07, 0x20,        // 1227 INC $2007
    0x4C, 0x12, 0x12,        // 122A JMP $1212
};

// The character base switched between two generators in RAM, and each
// generator's first glyph written right after the switch: the pages the
// picture reads change with the base.  Loaded at 0x1300.
std::vector<uint8_t> GlyphBaseWrites()
{
    std::vector<uint8_t> code = {
        0xA9, 0x00, 0x8D, 0x12, 0xFF,   // 1300 glyphs from RAM
        0xA9, 0x71, 0x8D, 0x15, 0xFF,   // 1305 the background colour
        0xA9, 0x1B, 0x8D, 0x06, 0xFF,   // 130A text, display on
    };
    for (uint8_t base : {0x20, 0x28}) {
        code.insert(code.end(), {0xA9, base, 0x8D, 0x13, 0xFF});   // LDA #base, STA $FF13
        for (uint8_t line = 0; line < 8; line++)
            code.insert(code.end(), {0xEE, line, base});   // INC base * 256 + line
    }
    code.insert(code.end(), {0x4C, 0x0F, 0x13});   // JMP to the first switch
    return code;
}

uint64_t Fold(uint64_t digest, const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; i++)
        digest = (digest ^ bytes[i]) * 0x100000001B3ull;
    return digest;
}

uint64_t MachineDigest()
{
    uint64_t d = 0xCBF29CE484222325ull;
    d = Fold(d, Ram64, 0x10000);
    d = Fold(d, &Cpu, sizeof Cpu);
    const int32_t timers[] = {Ted.Timer1Counter, Ted.Timer2Counter, Ted.Timer3Counter};
    d = Fold(d, timers, sizeof timers);
    const uint16_t raster[] = {Ted.RasterLine, Ted.LinePosition, Ted.RasterCompare, Ted.SingleClock,
                               Ted.IrqPending, Ted.IrqDelay};
    d = Fold(d, raster, sizeof raster);
    FlushRender();
    return Fold(d, FrameBuffer, sizeof FrameBuffer);
}

// Boots the tiny machine (the KERNAL's reset vector says which program
// runs), runs `frames` frames one way and returns the digest after each.
// Between frames 20 and 21 the timers are changed from outside, as a test
// or a tool might do.
std::vector<uint64_t> RunFrames(bool batched, int frames)
{
    std::vector<uint64_t> digests;
    if (!BootMachine())
        return digests;
    std::copy(Program.begin(), Program.end(), Ram64 + 0x1000);
    std::copy(Handler.begin(), Handler.end(), Ram64 + 0x1040);
    std::copy(LateEnable.begin(), LateEnable.end(), Ram64 + 0x1100);
    std::copy(BitmapWrites.begin(), BitmapWrites.end(), Ram64 + 0x1200);
    const std::vector<uint8_t> glyphBase = GlyphBaseWrites();
    std::copy(glyphBase.begin(), glyphBase.end(), Ram64 + 0x1300);
    int exitCode = 0;
    for (int frame = 0; frame < frames; frame++) {
        if (frame == 20) {
            Ted.Timer2Counter = 5;
            Ted.Timer3Counter = 300;
            Ted.Timer3Running = 1;
        }
        const uint64_t target = Ted.FramesCompleted + 1;
        if (batched) {
            if (!RunMainLoop(&exitCode, target))
                break;
        } else {
            while (Ted.FramesCompleted < target)
                if (!MainLoopPass(&exitCode))
                    return digests;
        }
        digests.push_back(MachineDigest());
    }
    return digests;
}

TEST(RunMainLoopTest, SameMachineFrameByFrameAsPassByPass)
{
    // The busy program, the late enable, the bitmap writes, the glyph base
    // switches, the KERNAL's endless loop; in both models.
    for (int accuracy : {0, 1})
    for (uint16_t start : {0x1000, 0x1100, 0x1200, 0x1300, 0xF000}) {
        SCOPED_TRACE("program at " + std::to_string(start) + ", Accuracy=" + std::to_string(accuracy));
        ScratchDirectory scratch;
        scratch.WriteTinyRoms(start);
        scratch.WriteText("settings", "ScreenMode=2\nSync=0\nSoundEmulation=0\nAccuracy=" +
                                          std::to_string(accuracy) + "\n");
        constexpr int Frames = 60;
        const std::vector<uint64_t> passes = RunFrames(false, Frames);
        const std::vector<uint64_t> batched = RunFrames(true, Frames);
        ResetMachineToPowerOn();
        ASSERT_EQ(passes.size(), static_cast<size_t>(Frames));
        ASSERT_EQ(batched.size(), static_cast<size_t>(Frames));
        for (int i = 0; i < Frames; i++)
            ASSERT_EQ(passes[i], batched[i]) << "the loops part at frame " << i;
    }
}

}  // namespace
