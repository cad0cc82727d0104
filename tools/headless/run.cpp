// Carries out the runner's plan on the headless backend's frame ticks, so
// that keys reach the machine and outputs are taken at the same emulated
// moment on every run, whether the main loop, a menu or the debugger is
// running at the time.
#include <cstdio>
#include <cstdlib>

#include "files/safe_save.h"
#include "key_names.h"
#include "platform/headless/headless_control.h"
#include "platform/key_input.h"
#include "runner.h"
#include "screen_text.h"

namespace {

struct ActiveRun {
    RunPlan plan;
    size_t next = 0;
    long minimumFrames = 0;
    std::function<void()> atEnd;
};

ActiveRun& Run()
{
    static ActiveRun run;
    return run;
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "ravlin-headless: %s\n", what.c_str());
    std::exit(1);
}

void Finish()
{
    if (Run().atEnd)
        Run().atEnd();
    std::fflush(stdout);
    std::exit(0);
}

// To standard output when path is empty.
bool WriteText(const std::string& path, const std::string& text)
{
    if (path.empty())
        return std::fputs(text.c_str(), stdout) >= 0;
    return SaveFileReplacing(path.c_str(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// A key goes down or up on the key translation and, as on a desktop, as a
// key message to the window.
void SendKey(const RunStep& step, bool down)
{
    FeedRunnerKey(*step.key, down, step.typed);
    HeadlessPostKeyMessage(step.key->virtualKey, down);
}

void Continue()
{
    ActiveRun& run = Run();
    while (run.next < run.plan.size()) {
        const RunStep& step = run.plan[run.next++];
        switch (step.kind) {
        case RunStep::Wait:
            if (step.frames > 0) {
                HeadlessAtTick(HeadlessTicks() + static_cast<uint64_t>(step.frames), Continue);
                return;
            }
            break;
        case RunStep::AwaitBasic:
            if (HeadlessTicks() < static_cast<uint64_t>(BootFrames)) {
                HeadlessAtTick(static_cast<uint64_t>(BootFrames), Continue);
                return;
            }
            break;
        case RunStep::KeyDown:
            SendKey(step, true);
            break;
        case RunStep::KeyUp:
            SendKey(step, false);
            break;
        case RunStep::ScreenText:
            if (!WriteText(step.path, ScreenText()))
                Fail(CannotWriteMessage(step.path));
            break;
        case RunStep::Screenshot:
            if (!WriteFrameBufferBmp(step.path.c_str()))
                Fail(CannotWriteMessage(step.path));
            break;
        case RunStep::Wav:
            if (!WriteWavFile(step.path, RunSound(), HeadlessAudioRate))
                Fail(CannotWriteMessage(step.path));
            break;
        case RunStep::Action:
            // The action has said what went wrong.
            if (!step.action())
                std::exit(1);
            break;
        }
    }
    if (static_cast<long>(HeadlessTicks()) < run.minimumFrames) {
        HeadlessAtTick(static_cast<uint64_t>(run.minimumFrames), Finish);
        return;
    }
    Finish();
}

}  // namespace

std::string CannotWriteMessage(const std::string& path)
{
    return "cannot write " + path + ": " + SaveFailureReason();
}

void StartRun(RunPlan plan, long minimumFrames, std::function<void()> atEnd)
{
    // The plan counts frames: a key is held for as long as it says, even
    // when the machine runs unpaced.
    KeyInputEventsInMachineTime(true);
    ActiveRun& run = Run();
    run.plan = std::move(plan);
    run.next = 0;
    run.minimumFrames = minimumFrames;
    run.atEnd = std::move(atEnd);
    HeadlessAtTick(HeadlessTicks() + 1, NoteFirstFrameEnd);
    Continue();
}
