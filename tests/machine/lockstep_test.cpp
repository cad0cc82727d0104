// The main loops in lockstep: every way of running the machine must give
// the machine of the stepped loop (MainLoopPass), frame by frame, at both
// accuracies, over a corpus: the KERNAL idling, BASIC computing with sound,
// BASIC's raster split screen, a compiled program loaded from drive 8, a
// program loaded through the 1541 running its own DOS, a program loaded
// from tape, and tiny-ROM programs that lean on what the
// fast loop defers (the raster compare written for the line being drawn,
// timer interrupts reloading their timer, timers read all the time and
// changed from outside, the single clock switched, an interrupt enabled
// long after its request, bitmaps and glyph bases written under the beam,
// every display mode from RAM and from the open bus on the C16's 16 KiB,
// events many lines ahead of a run without I/O).
// After each frame the processor, RAM, the TED and its timers and the sound
// that came out must be the same, and the picture a look at the frame's end
// sees; a loop that draws on demand is looked at every LookEvery frames.  A
// new loop is one more row of Loops.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cpu/registers.h"
#include "drive/drive.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "platform/start_file.h"
#include "support/drive_test_support.h"
#include "support/kernal_tape_writer.h"
#include "support/test_support.h"

namespace {

bool Passes(int* exitCode)
{
    const uint64_t target = Ted.FramesCompleted + 1;
    while (Ted.FramesCompleted < target)
        if (!MainLoopPass(exitCode))
            return false;
    return true;
}

bool Batched(int* exitCode) { return RunMainLoop(exitCode, Ted.FramesCompleted + 1); }

struct Loop {
    const char* name;
    bool drawOnDemand;
    bool (*runFrame)(int* exitCode);   // to the next frame end
};
const Loop Loops[] = {
    {"MainLoopPass", false, Passes},   // the reference
    {"RunMainLoop", false, Batched},
    {"RunMainLoop, frames drawn on demand", true, Batched},
};
constexpr int LookEvery = 12;
constexpr int ReadyFrame = 60;

// Bytes in hex, from address on.
void Poke(uint16_t address, const char* hex)
{
    for (char* end = nullptr;; hex = end) {
        const unsigned long byte = std::strtoul(hex, &end, 16);
        if (end == hex)
            return;
        Ram64[address++] = static_cast<uint8_t>(byte);
    }
}

void TimersChangedFromOutside(int frame)
{
    if (frame == 20) {
        Ted.Timer2Counter = 5;
        Ted.Timer3Counter = 300;
        Ted.Timer3Running = 1;
    }
}

struct Workload {
    const char* name;
    int frames;
    uint16_t tinyRomStart;   // 0: the real ROMs
    std::string typed;       // from READY on, through the keyboard buffer
    std::function<bool(const ScratchDirectory&)> prepare;   // files; false: cannot run here
    std::function<void(int frame)> beforeFrame;
    std::string settings = "";   // more lines of the settings file
};

const std::vector<Workload> Corpus = {
    {"KERNAL idle", 120, 0, "", nullptr, nullptr},
    {"BASIC computing, with sound", 220, 0,
     "10 VOL 8:FOR I=0 TO 900 STEP 90:SOUND 1,I,3:SOUND 3,I+9,2:PRINT I;SQR(I):NEXT:GOTO 10\rRUN\r", nullptr,
     nullptr},
    {"BASIC's raster split screen", 240, 0,
     "10 GRAPHIC 2,1:CIRCLE 1,160,80,40,20:COLOR 4,3,3:COLOR 0,I:I=I+1:GOTO 10\rRUN\r", nullptr, nullptr},
    {"compiled program from drive 8", 260, 0, "LOAD\"CHURN\",8\rRUN\r",
     [](const ScratchDirectory& scratch) {
         // Compiled in the scratch directory, where cl65 leaves its object file.
         const std::string compile = "command -v cl65 >/dev/null && cd '" + scratch.path + "' && mkdir disk && cp '" +
                                     RAVLIN_SOURCE_DIR + "/tests/programs/video_churn.c' . && "
                                     "cl65 -t plus4 -O -o disk/churn.prg video_churn.c";
         if (std::system(compile.c_str()) == 0)
             return true;
         std::printf("no cl65 (cc65): no compiled program\n");
         return false;
     },
     [](int frame) {
         std::string message;
         if (frame == 0)
             DriveAttach("disk", &message);
     }},
    {"program through the 1541", 400, 0, "LOAD\"HI\",8\rRUN\r",
     [](const ScratchDirectory& scratch) {
         if (!scratch.CopyDriveRom()) {
             std::printf("dos1541.bin not found: no load through the 1541\n");
             return false;
         }
         // 10 PRINT"HI THERE", at 0x1001.
         TestDisk disk = TestDisk::Blank();
         disk.AddFile("HI", {0x01, 0x10, 0x11, 0x10, 10, 0, 0x99, '"', 'H', 'I', ' ', 'T', 'H', 'E', 'R', 'E', '"', 0, 0,
                             0});
         disk.Save(scratch.path + "/disk.d64");
         return true;
     },
     [](int frame) {
         std::string message;
         if (frame == 0)
             DriveAttach("disk.d64", &message);
     }},
    {"program from tape", 400, 0, "",
     [](const ScratchDirectory& scratch) {
         KernalTapeWriter writer(2);
         writer.firstLeader = 800;
         // 10 PRINT"TAPE WORKS", at 0x1001.
         writer.AddProgram("WRITTEN", {0x01, 0x10, 0x13, 0x10, 10, 0, 0x99, '"', 'T', 'A', 'P', 'E', ' ', 'W', 'O',
                                       'R', 'K', 'S', '"', 0, 0, 0});
         scratch.WriteFile("tape.tap", writer.Image());
         return true;
     },
     [](int frame) {
         std::string problem;
         if (frame == ReadyFrame)
             StartFileNow("tape.tap", true, &problem);
     }},
    // Timer 1 and raster interrupts (handler at 0x1040 acknowledges, stops
    // and restarts timer 1), the raster compare written with the line
    // counter, the timers read, the single clock switched on and off.
    {"interrupts, timers and the single clock", 60, 0x1000, "", nullptr,
     [](int frame) {
         if (frame == 0) {
             Poke(0x1000, "78 8D 3F FF A9 40 8D FE FF A9 10 8D FF FF A9 1A 8D 0A FF 58 AD 1D FF 8D 0B FF EE 00 20 "
                          "AE 00 FF 8E 01 20 AD 02 FF 8D 02 20 AD 00 20 29 02 8D 13 FF 4C 14 10");
             Poke(0x1040, "48 EE 03 20 AD 09 FF 8D 09 FF 8D 04 20 AD 00 FF 29 3F 8D 00 FF 8D 01 FF 68 40");
         }
         TimersChangedFromOutside(frame);
     }},
    // Interrupts masked, timer 3's interrupt enabled after 192 x 256 turns
    // of a loop that counts the reads of 0xFF09 with bit 7 set.
    {"an interrupt enabled late", 60, 0x1100, "", nullptr,
     [](int frame) {
         if (frame == 0)
             Poke(0x1100, "78 AD 09 FF 10 03 EE 10 20 EE 00 20 D0 F3 EE 01 20 AD 01 20 C9 C0 D0 E9 A9 40 8D 0A FF "
                          "4C 01 11");
         TimersChangedFromOutside(frame);
     }},
    // Runs over many lines: a loop writes the video matrix all the time
    // and keeps what the open bus reads (the glyphs of the codes fetched;
    // the beam's column, 0xFF1E, every 256 turns), while the raster
    // compare moves 37 lines on at each of its interrupts (with the
    // vertical scroll, so the bad lines move) and timer 1 runs out every 19
    // lines or so: events in lines ahead of every kind.
    {"events many lines ahead", 60, 0x1400, "", nullptr,
     [](int frame) {
         if (frame == 0) {
             Poke(0x1400, "78 8D 3F FF A9 60 8D FE FF A9 14 8D FF FF A9 08 8D 14 FF A9 1B 8D 06 FF A9 56 8D 00 FF "
                          "A9 04 8D 01 FF A9 0A 8D 0A FF A9 10 8D 0B FF 58 FE 00 0C FE 00 0D AD 00 FD 9D 00 21 "
                          "E8 D0 F1 AD 1E FF 8D 03 20 EE 00 20 4C 2D 14");
             Poke(0x1460, "48 AD 09 FF 8D 09 FF 29 02 F0 19 AD 0B FF 18 69 25 8D 0B FF EE 01 20 AD 01 20 29 07 "
                          "09 18 8D 06 FF 4C 87 14 EE 02 20 68 40");
         }
     }},
    // The second bitmap cell's eight bytes (38 columns hide the first)
    // incremented all the time while the beam shows them, directly and on
    // the C16 with 16 KiB through the RAM's repeat at 0x6000; and the
    // character base switched between two glyph sets in RAM, each set's
    // first glyph written after the switch.  The picture is drawn up to each
    // write before it, the pages it reads following the base.
    {"bitmap written under the beam", 60, 0x1300, "", nullptr,
     [](int frame) {
         if (frame == 0)
             Poke(0x1300, "A9 3B 8D 06 FF A9 08 8D 12 FF 8D 14 FF A9 71 8D 01 0C 8D 01 08 EE 08 20 EE 09 20 EE 0A 20 "
                          "EE 0B 20 EE 0C 20 EE 0D 20 EE 0E 20 EE 0F 20 4C 15 13");
     }},
    {"bitmap written through the C16's repeat", 60, 0x1300, "", nullptr,
     [](int frame) {
         if (frame == 0)
             Poke(0x1300, "A9 3B 8D 06 FF A9 08 8D 12 FF 8D 14 FF A9 71 8D 01 0C 8D 01 08 EE 08 60 EE 09 60 EE 0A 60 "
                          "EE 0B 60 EE 0C 60 EE 0D 60 EE 0E 60 EE 0F 60 4C 15 13");
     },
     "Model=1\n"},
    {"glyph base switched", 60, 0x1300, "", nullptr,
     [](int frame) {
         if (frame == 0)
             Poke(0x1300, "A9 00 8D 12 FF A9 71 8D 15 FF A9 1B 8D 06 FF A9 20 8D 13 FF EE 00 20 EE 01 20 EE 02 20 "
                          "EE 03 20 EE 04 20 EE 05 20 EE 06 20 EE 07 20 A9 28 8D 13 FF EE 00 28 EE 01 28 EE 02 28 "
                          "EE 03 28 EE 04 28 EE 05 28 EE 06 28 EE 07 28 4C 0F 13");
     }},
    // On the C16 with 16 KiB, glyphs at 0x2000 and the bitmap at 0x0000
    // fetched with 0xFF12 bit 2 (the bus byte in the measured model), the
    // display mode, scrolls and widths changed every 30 lines or so while
    // the matrix is rewritten from what its repeat at 0x4C00 reads.
    {"every mode from the open bus on the C16", 60, 0x1200, "", nullptr,
     [](int frame) {
         if (frame == 0)
             Poke(0x1200, "78 A9 04 8D 12 FF A9 20 8D 13 FF A9 08 8D 14 FF A9 35 8D 15 FF A9 62 8D 16 FF A9 27 8D 17 "
                          "FF A9 44 8D 18 FF E8 8A 29 77 09 10 8D 06 FF 8A 29 9F 8D 07 FF A0 00 8A 79 00 4C 99 00 0C "
                          "99 00 08 88 D0 F3 4C 24 12");
     },
     "Model=1\n"},
};

// 64-bit words folded by multiplying: fast enough for RAM and the picture.
uint64_t Fold(uint64_t digest, const void* data, size_t size)
{
    for (size_t i = 0; i < size; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, static_cast<const uint8_t*>(data) + i, std::min<size_t>(8, size - i));
        digest = (digest ^ word) * 0x9E3779B97F4A7C15ull;
        digest ^= digest >> 29;
    }
    return digest;
}

struct FrameState {
    uint64_t processorAndRam, ted, sound;
    uint64_t picture;   // 0: not looked at
};

// The TED without what only a loop's own bookkeeping holds: the deferred
// steps' budget and thresholds, the renderer's place, pending run and
// drawing switches.
uint64_t TedDigest()
{
    TedState t;
    std::memcpy(static_cast<void*>(&t), &Ted, sizeof t);
    t.TimerTicksOwed = t.TimerBudget = t.InterruptWatch = t.LineEventAt = 0;
    t.RenderColumn = t.PendingLine = t.PendingFirst = t.PendingNext = 0;
    t.Watch = VideoWatch{};
    t.NotDrawing = t.LastChunkDue = t.DrawOnDemand = t.DrawnFromFrameStart = t.WholeFramesInRow = 0;
    return Fold(Fold(0, &t, sizeof t), &SoundRegs, sizeof SoundRegs);
}

// The workload from power-on through one loop: the state after each frame.
std::vector<FrameState> RunWorkload(const Workload& w, const Loop& loop)
{
    std::vector<FrameState> states;
    if (!BootMachine())
        return states;
    HeadlessCaptureAudio(true);
    HeadlessDrawOnDemand(loop.drawOnDemand);
    // Unpaced, each frame end is one tick: a look at frame f is an event at
    // its tick, inside the frame end, as the runner's are.
    std::vector<uint64_t> pictures(w.frames);
    const uint64_t firstTick = HeadlessTicks() + 1;
    for (int f = 0; f < w.frames; f++)
        if (!loop.drawOnDemand || (f + 1) % LookEvery == 0)
            HeadlessAtTick(firstTick + f, [&pictures, f] { pictures[f] = Fold(1, FrameBuffer, sizeof FrameBuffer); });
    size_t typed = 0, audioSeen = 0;
    int exitCode = 0;
    for (int frame = 0; frame < w.frames; frame++) {
        if (w.beforeFrame)
            w.beforeFrame(frame);
        if (frame >= ReadyFrame && typed < w.typed.size() && Ram64[0x00EF] == 0) {
            const size_t n = std::min<size_t>(8, w.typed.size() - typed);
            std::memcpy(Ram64 + 0x0527, w.typed.data() + typed, n);   // the KERNAL's keyboard buffer
            Ram64[0x00EF] = static_cast<uint8_t>(n);
            typed += n;
        }
        if (!loop.runFrame(&exitCode))
            break;
        const std::vector<int16_t>& audio = HeadlessAudio();
        states.push_back({Fold(Fold(0, &Cpu, sizeof Cpu), Ram64, 0x10000), TedDigest(),
                          Fold(audio.size(), audio.data() + audioSeen, (audio.size() - audioSeen) * 2), pictures[frame]});
        audioSeen = audio.size();
    }
    return states;
}

TEST(LockstepTest, EveryLoopRunsTheMachineOfTheSteppedLoop)
{
    const bool realRoms = !RealRomDirectory().empty();
    if (!realRoms)
        std::printf("real ROM images not found: only the tiny-ROM workloads run\n");
    for (const Workload& w : Corpus) {
        if (w.tinyRomStart == 0 && !realRoms)
            continue;
        for (int accuracy : {0, 1}) {
            SCOPED_TRACE(std::string(w.name) + ", Accuracy=" + std::to_string(accuracy));
            ScratchDirectory scratch;
            if (w.tinyRomStart)
                scratch.WriteTinyRoms(w.tinyRomStart);
            else
                scratch.CopyRealRoms();
            scratch.WriteText("settings", "ScreenMode=2\nSync=0\nAccuracy=" + std::to_string(accuracy) + "\n" + w.settings);
            if (w.prepare && !w.prepare(scratch))
                break;
            const std::vector<FrameState> reference = RunWorkload(w, Loops[0]);
            ASSERT_EQ(reference.size(), static_cast<size_t>(w.frames));
            for (const Loop& loop : Loops) {
                SCOPED_TRACE(loop.name);
                const std::vector<FrameState> run = RunWorkload(w, loop);
                ASSERT_EQ(run.size(), reference.size());
                for (size_t f = 0; f < run.size(); f++) {
                    const FrameState &a = reference[f], &b = run[f];
                    ASSERT_EQ(a.processorAndRam, b.processorAndRam) << "processor or RAM part at frame " << f;
                    ASSERT_EQ(a.ted, b.ted) << "the TED parts at frame " << f;
                    ASSERT_EQ(a.sound, b.sound) << "the sound parts at frame " << f;
                    if (!loop.drawOnDemand || (f + 1) % LookEvery == 0) {
                        ASSERT_NE(b.picture, 0u) << "no look at frame " << f;
                        ASSERT_EQ(a.picture, b.picture) << "the picture parts at frame " << f;
                    }
                }
            }
            ResetMachineToPowerOn();
        }
    }
}

}  // namespace
