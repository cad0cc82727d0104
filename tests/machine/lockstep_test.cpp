// The main loops in lockstep: every way of running the machine must give
// the same machine as the stepped loop (MainLoopPass), frame by frame, at
// both accuracies, over a corpus of workloads: the KERNAL idling, BASIC
// computing with sound, BASIC's raster split screen, a compiled program
// loaded from drive 8, a program loaded from tape, and tiny-ROM programs
// that lean on what the fast loop defers (the raster compare written for
// the line being drawn, timer interrupts reloading their timer, the timers
// read all the time and changed from outside, the single clock switched,
// an interrupt enabled long after its request).  After each frame the
// processor, RAM, the TED and its timers, the sound that came out and the
// picture must be the same; a loop that draws on demand is compared on
// the frames someone looks at.  A new loop is one more row of Loops.
#include <gtest/gtest.h>

#include <cstdint>
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
#include "support/kernal_tape_writer.h"
#include "support/test_support.h"

namespace {

struct Loop {
    const char* name;
    bool drawOnDemand;
    bool (*runFrame)(int* exitCode);   // up to the next frame end
};

bool Passes(int* exitCode)
{
    const uint64_t target = Ted.FramesCompleted + 1;
    while (Ted.FramesCompleted < target)
        if (!MainLoopPass(exitCode))
            return false;
    return true;
}

bool Batched(int* exitCode) { return RunMainLoop(exitCode, Ted.FramesCompleted + 1); }

// The first is the reference.
const Loop Loops[] = {
    {"MainLoopPass", false, Passes},
    {"RunMainLoop", false, Batched},
    {"RunMainLoop, frames drawn on demand", true, Batched},
};
// Drawing on demand: the frames someone looks at (an event at their tick).
constexpr int LookEvery = 12;

// Timer 1 and raster interrupts, the raster compare written with the line
// counter, the timers read, the single clock on and off.  At 0x1000, with
// its interrupt handler at 0x1040.
const std::vector<uint8_t> BusyProgram = {
    0x78, 0x8D, 0x3F, 0xFF, 0xA9, 0x40, 0x8D, 0xFE, 0xFF, 0xA9, 0x10, 0x8D, 0xFF, 0xFF, 0xA9, 0x1A, 0x8D,
    0x0A, 0xFF, 0x58, 0xAD, 0x1D, 0xFF, 0x8D, 0x0B, 0xFF, 0xEE, 0x00, 0x20, 0xAE, 0x00, 0xFF, 0x8E, 0x01,
    0x20, 0xAD, 0x02, 0xFF, 0x8D, 0x02, 0x20, 0xAD, 0x00, 0x20, 0x29, 0x02, 0x8D, 0x13, 0xFF, 0x4C, 0x14,
    0x10,
};
const std::vector<uint8_t> BusyHandler = {
    0x48, 0xEE, 0x03, 0x20, 0xAD, 0x09, 0xFF, 0x8D, 0x09, 0xFF, 0x8D, 0x04, 0x20, 0xAD,
    0x00, 0xFF, 0x29, 0x3F, 0x8D, 0x00, 0xFF, 0x8D, 0x01, 0xFF, 0x68, 0x40,
};
// With interrupts masked, enables timer 3's interrupt after 192 x 256
// turns of a loop that counts the reads of 0xFF09 with bit 7 set.  At 0x1100.
const std::vector<uint8_t> LateEnable = {
    0x78, 0xAD, 0x09, 0xFF, 0x10, 0x03, 0xEE, 0x10, 0x20, 0xEE, 0x00, 0x20, 0xD0, 0xF3, 0xEE, 0x01,
    0x20, 0xAD, 0x01, 0x20, 0xC9, 0xC0, 0xD0, 0xE9, 0xA9, 0x40, 0x8D, 0x0A, 0xFF, 0x4C, 0x01, 0x11,
};

// 10 PRINT"TAPE WORKS", at 0x1001.
const std::vector<uint8_t> TapeProgram = {0x01, 0x10, 0x13, 0x10, 10,  0,   0x99, '"', 'T', 'A', 'P', 'E',
                                          ' ',  'W',  'O',  'R',  'K', 'S', '"',  0,   0,   0};

struct Workload {
    const char* name;
    int frames;
    uint16_t tinyRomStart;   // 0: the real ROMs
    std::string typed;       // from READY on, through the keyboard buffer
    // Files in the scratch directory before the runs; false: the workload
    // cannot run here (said why).
    std::function<bool(const ScratchDirectory&)> prepare;
    std::function<void(int frame)> beforeFrame;
};

constexpr int ReadyFrame = 60;

const std::vector<Workload>& Corpus()
{
    static const std::vector<Workload> corpus = {
        {"KERNAL idle", 120, 0, "", nullptr, nullptr},
        {"BASIC computing, with sound", 220, 0,
         "10 VOL 8:FOR I=0 TO 900 STEP 90:SOUND 1,I,3:SOUND 3,I+9,2:PRINT I;SQR(I):NEXT:GOTO 10\rRUN\r", nullptr,
         nullptr},
        {"BASIC's raster split screen", 240, 0,
         "10 GRAPHIC 2,1:CIRCLE 1,160,80,40,20:COLOR 4,3,3:COLOR 0,I:I=I+1:GOTO 10\rRUN\r", nullptr, nullptr},
        {"compiled program from drive 8", 260, 0, "LOAD\"CHURN\",8\rRUN\r",
         [](const ScratchDirectory& scratch) {
             if (std::system("command -v cl65 >/dev/null 2>&1") != 0) {
                 std::printf("cl65 (cc65) is not installed: no compiled program\n");
                 return false;
             }
             const std::string compile = "cd '" + scratch.path + "' && mkdir -p disk && cp '" + RAVLIN_SOURCE_DIR +
                                         "/tests/programs/video_churn.c' . && cl65 -t plus4 -O -o disk/churn.prg "
                                         "video_churn.c";
             return std::system(compile.c_str()) == 0;
         },
         [](int frame) {
             if (frame == 0) {
                 std::string message;
                 DriveAttach("disk", &message);
             }
         }},
        {"program from tape", 400, 0, "",
         [](const ScratchDirectory& scratch) {
             KernalTapeWriter writer(2);
             writer.firstLeader = 800;
             writer.AddProgram("WRITTEN", TapeProgram);
             scratch.WriteFile("tape.tap", writer.Image());
             return true;
         },
         [](int frame) {
             std::string problem;
             if (frame == ReadyFrame)
                 StartFileNow("tape.tap", true, &problem);
         }},
        {"interrupts, timers and the single clock", 60, 0x1000, "", nullptr,
         [](int frame) {
             if (frame == 0) {
                 std::copy(BusyProgram.begin(), BusyProgram.end(), Ram64 + 0x1000);
                 std::copy(BusyHandler.begin(), BusyHandler.end(), Ram64 + 0x1040);
             }
             if (frame == 20) {
                 // Changed from outside, as a test or a tool might do.
                 Ted.Timer2Counter = 5;
                 Ted.Timer3Counter = 300;
                 Ted.Timer3Running = 1;
             }
         }},
        {"an interrupt enabled late", 60, 0x1100, "", nullptr,
         [](int frame) {
             if (frame == 0)
                 std::copy(LateEnable.begin(), LateEnable.end(), Ram64 + 0x1100);
             if (frame == 20) {
                 Ted.Timer3Counter = 300;
                 Ted.Timer3Running = 1;
             }
         }},
    };
    return corpus;
}

// 64-bit words folded by multiplying: fast enough for RAM and the picture
// after every frame.
uint64_t Fold(uint64_t digest, const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + i, std::min<size_t>(8, size - i));
        digest = (digest ^ word) * 0x9E3779B97F4A7C15ull;
        digest ^= digest >> 29;
    }
    return digest;
}

struct FrameState {
    uint64_t processorAndRam, ted, sound;
    uint64_t picture;   // as a look at the frame's end sees it; 0: not looked at
};

// The TED without what only a loop's own bookkeeping holds: the deferred
// steps' budget and thresholds, the renderer's place, pending run and
// drawing switches.
uint64_t TedDigest()
{
    TedState t;
    std::memcpy(static_cast<void*>(&t), &Ted, sizeof t);
    t.TimerTicksOwed = t.TimerBudget = 0;
    t.InterruptWatch = 0;
    t.LineEventAt = 0;
    t.RenderColumn = t.PendingLine = t.PendingFirst = t.PendingNext = 0;
    t.Watch = VideoWatch{};
    t.NotDrawing = t.LastChunkDue = t.DrawOnDemand = t.DrawnFromFrameStart = t.WholeFramesInRow = 0;
    return Fold(Fold(0, &t, sizeof t), &SoundRegs, sizeof SoundRegs);
}

FrameState Capture(size_t* audioSeen)
{
    FrameState s{};
    s.processorAndRam = Fold(Fold(0, &Cpu, sizeof Cpu), Ram64, 0x10000);
    s.ted = TedDigest();
    const std::vector<int16_t>& audio = HeadlessAudio();
    s.sound = Fold(audio.size(), audio.data() + *audioSeen, (audio.size() - *audioSeen) * sizeof(int16_t));
    *audioSeen = audio.size();
    return s;
}

// Runs the workload from power-on with one loop; the state after each frame.
std::vector<FrameState> RunWorkload(const Workload& w, const Loop& loop)
{
    std::vector<FrameState> states;
    if (!BootMachine())
        return states;
    HeadlessCaptureAudio(true);
    HeadlessDrawOnDemand(loop.drawOnDemand);
    // One tick per frame end, unpaced: a look at frame f is an event at the
    // tick its end makes, inside the frame end, as the runner's are.
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
            std::memcpy(Ram64 + 0x0527, w.typed.data() + typed, n);
            Ram64[0x00EF] = static_cast<uint8_t>(n);
            typed += n;
        }
        if (!loop.runFrame(&exitCode))
            break;
        states.push_back(Capture(&audioSeen));
    }
    for (size_t f = 0; f < states.size(); f++)
        states[f].picture = pictures[f];
    return states;
}

TEST(LockstepTest, EveryLoopRunsTheMachineOfTheSteppedLoop)
{
    const bool realRoms = !RealRomDirectory().empty();
    if (!realRoms)
        std::printf("real ROM images not found: only the tiny-ROM workloads run\n");
    for (const Workload& w : Corpus()) {
        if (w.tinyRomStart == 0 && !realRoms)
            continue;
        for (int accuracy : {0, 1}) {
            SCOPED_TRACE(std::string(w.name) + ", Accuracy=" + std::to_string(accuracy));
            ScratchDirectory scratch;
            if (w.tinyRomStart)
                scratch.WriteTinyRoms(w.tinyRomStart);
            else
                scratch.CopyRealRoms();
            scratch.WriteText("settings", "ScreenMode=2\nSync=0\nAccuracy=" + std::to_string(accuracy) + "\n");
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
