// bench_suite: the whole benchmark table.  Each workload runs headless from
// a cold start in a child process of its own, unpaced, for a fixed number of
// emulated frames with the real ROMs, twice a round: drawing only the frames
// someone looks at (none here: the runner's default), and drawing every
// frame (as a paced display does).  The processor alone is `run6502` on a
// long compiled program, beside `sim65` on the same program.  Each figure is
// the median of several rounds; in each round every run takes its turn, so
// that a burst of other work on the machine spreads over all of them.
// bench/run.sh builds everything and calls this.
//
//   bench_suite BUILD_DIR ROM_DIR [RUNS] [FRAMES]
//
// BUILD_DIR holds screen_work.prg and cpu_work.sim (built by run.sh with
// cl65), ravlin-headless and run6502.  Speeds are counted in processor time
// of the emulating process, so other work on a shared machine does not count
// against the emulator.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "runner.h"

namespace {

constexpr double RealFramesPerSecond = 50.0;
constexpr double RealCyclesPerSecond = 1.19e6;

struct Workload {
    const char* name;
    uint32_t screenMode;
    long setupFrames;      // frames before the timing starts (boot, typing)
    std::string script;    // runner script: typed text, loads
};

struct Figures {
    double frames = 0, cycles = 0, seconds = 0;
    long peakKiB = 0;
    int result = -1;    // the processor-alone program's exit code
    bool ok = false;
};

enum class Drawing { OnDemand, EveryFrame };

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// One pass of the main loop, returning the processor cycles it ran: on a
// double-rate pass the timers saw half of them.
inline uint64_t CountedPass(int* exitCode, bool* running)
{
    const bool doubled = Ted.DoubleSpeedLine == 1 && Ted.SingleClock == 0;
    *running = MainLoopPass(exitCode);
    return doubled ? 2u * PairCycles : LastCycle;
}

// In the child: boots, runs the set-up, then times `frames` frames of the
// main loop as the emulator runs it (RunMainLoop).  With countCycles it
// runs the same frames pass by pass instead, untimed, adding up the
// processor cycles; the run is the same, so the count is the timed run's.
Figures RunEmulated(const Workload& w, long frames, bool countCycles, Drawing drawing)
{
    Figures f;
    const std::string settings = "/tmp/bench_suite_settings_" + std::to_string(getpid());
    if (FILE* s = std::fopen(settings.c_str(), "w")) {
        // The rest as a user starts it: the measured machine, with sound.
        std::fprintf(s, "ScreenMode=%u\nSync=0\n", w.screenMode);
        std::fclose(s);
    }
    HeadlessDrawOnDemand(drawing == Drawing::OnDemand);
    setenv("RAVLIN_SETTINGS", settings.c_str(), 1);
    int exitCode = 0;
    const bool started = StartUp(1, &exitCode);
    std::remove(settings.c_str());
    if (!started)
        return f;
    RunPlan plan;
    std::string error;
    if (!w.script.empty() && !AddScriptText(w.script, w.name, plan, error)) {
        std::fprintf(stderr, "bench_suite: %s\n", error.c_str());
        return f;
    }
    StartRun(std::move(plan), 1L << 40, [] {});

    bool running = true;
    while (running && Ted.FramesCompleted < static_cast<uint64_t>(w.setupFrames))
        CountedPass(&exitCode, &running);
    const uint64_t target = Ted.FramesCompleted + static_cast<uint64_t>(frames);
    uint64_t cycles = 0;
    const double start = ProcessSeconds();
    if (countCycles) {
        while (running && Ted.FramesCompleted < target)
            cycles += CountedPass(&exitCode, &running);
    } else {
        running = RunMainLoop(&exitCode, target);
    }
    f.seconds = ProcessSeconds() - start;
    f.frames = static_cast<double>(frames);
    f.cycles = static_cast<double>(cycles);
    f.ok = running;
    return f;
}

// Runs body in a child; the parent gets the figures through a pipe and the
// peak resident memory from the child's resource usage.
template <typename Body>
Figures InChild(Body body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Figures f = body();
        ssize_t written = write(fds[1], &f, sizeof f);
        _exit(written == static_cast<ssize_t>(sizeof f) ? 0 : 1);
    }
    close(fds[1]);
    Figures f;
    if (pid < 0 || read(fds[0], &f, sizeof f) != static_cast<ssize_t>(sizeof f))
        f.ok = false;
    close(fds[0]);
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid)
        f.peakKiB = usage.ru_maxrss;
    return f;
}

// An external command, timed by its own processor time (user + system).
Figures RunCommand(std::vector<std::string> args, std::string* output)
{
    Figures f;
    int fds[2];
    if (pipe(fds) != 0)
        return f;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        output->append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 127)
        return f;
    f.seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    f.peakKiB = usage.ru_maxrss;
    f.result = WEXITSTATUS(status);
    f.ok = true;
    return f;
}

// sim65 -c and run6502 --cycles both end with "NNN cycles"; the program
// prints nothing itself.
Figures CountingCycles(std::vector<std::string> command)
{
    std::string output;
    Figures f = RunCommand(std::move(command), &output);
    size_t at = output.rfind(" cycles");
    if (at == std::string::npos)
        at = 0;
    while (at > 0 && output[at - 1] >= '0' && output[at - 1] <= '9')
        at--;
    f.cycles = std::strtod(output.c_str() + at, nullptr);
    f.frames = f.cycles / (RealCyclesPerSecond / RealFramesPerSecond);
    f.ok = f.ok && f.cycles > 0;
    return f;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Row {
    std::string name;
    double fps = 0, cyclesPerSecond = 0;
    bool ok = false;
};

// The medians of one workload's runs.
Row Summarise(const std::string& name, const std::vector<Figures>& results)
{
    std::vector<double> fps, cps;
    Row row{name};
    for (const Figures& f : results) {
        if (!f.ok || f.seconds <= 0)
            return row;
        fps.push_back(f.frames / f.seconds);
        cps.push_back(f.cycles / f.seconds);
    }
    row.fps = Median(fps);
    row.cyclesPerSecond = Median(cps);
    row.ok = !results.empty();
    return row;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_suite BUILD_DIR ROM_DIR [RUNS] [FRAMES]\n");
        return 2;
    }
    const std::string build = argv[1];
    const std::string roms = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const long frames = argc > 4 ? std::max(10L, std::atol(argv[4])) : 2000;
    if (chdir(roms.c_str()) != 0) {
        std::fprintf(stderr, "bench_suite: no ROM directory %s\n", roms.c_str());
        return 1;
    }

    // The runner's scripts start once BASIC is at READY.
    const std::string ready = "frames 60\n";
    const std::string basicCompute = ready + "type 10 A=A+1:B=A*A/7:PRINT A;B;SQR(A)\\n20 GOTO 10\\nRUN\\n\n";
    const std::string compiled = ready + "load " + build + "/screen_work.prg\nrun\n";
    const std::vector<Workload> workloads = {
        {"KERNAL idle, screen mode 0", 0, 300, ""},
        {"KERNAL idle, screen mode 2", 2, 300, ""},
        {"compiled C, screen writes, mode 0", 0, 400, compiled},
        {"compiled C, screen writes, mode 2", 2, 400, compiled},
        {"BASIC compute and print, mode 0", 0, 600, basicCompute},
        {"hires bitmap redrawn, mode 2", 2, 700,
         ready + "type 10 GRAPHIC 1,1:FOR R=4 TO 90 STEP 6:CIRCLE 1,160,100,R:NEXT:GOTO 10\\nRUN\\n\n"},
        {"multicolour bitmap redrawn, mode 2", 2, 700,
         ready + "type 10 GRAPHIC 3,1:FOR R=4 TO 90 STEP 6:CIRCLE 2,80,100,R/2,R:NEXT:GOTO 10\\nRUN\\n\n"},
    };

    // Round by round, every run once a round.
    const std::string cpuProgram = build + "/cpu_work.sim";
    const size_t count = workloads.size();
    std::vector<std::vector<Figures>> onDemand(count), everyFrame(count);
    std::vector<Figures> run6502, sim65;
    std::vector<double> cyclesOf(count);
    for (size_t i = 0; i < count; i++)
        cyclesOf[i] = InChild([&] { return RunEmulated(workloads[i], frames, true, Drawing::EveryFrame); }).cycles;
    for (int round = 0; round < runs; round++) {
        for (size_t i = 0; i < count; i++) {
            onDemand[i].push_back(InChild([&] { return RunEmulated(workloads[i], frames, false, Drawing::OnDemand); }));
            onDemand[i].back().cycles = cyclesOf[i];
            everyFrame[i].push_back(InChild([&] { return RunEmulated(workloads[i], frames, false, Drawing::EveryFrame); }));
            everyFrame[i].back().cycles = cyclesOf[i];
        }
        run6502.push_back(CountingCycles({build + "/run6502", "--cycles", cpuProgram}));
        sim65.push_back(CountingCycles({"sim65", "-c", cpuProgram}));
    }
    const Row alone = Summarise("run6502", run6502);
    const Row simulator = Summarise("sim65", sim65);
    const auto ratio = [&](const Row& r) { return alone.ok ? r.cyclesPerSecond / alone.cyclesPerSecond : 0.0; };

    std::printf("%-36s %27s   %27s\n", "", "frames drawn on demand", "every frame drawn");
    std::printf("%-36s %9s %8s %8s   %9s %8s %8s\n", "workload", "frames/s", "cycles/s", "/run6502", "frames/s",
                "cycles/s", "/run6502");
    bool allOk = true;
    for (size_t i = 0; i < count; i++) {
        const Row a = Summarise(workloads[i].name, onDemand[i]);
        const Row b = Summarise(workloads[i].name, everyFrame[i]);
        allOk = allOk && a.ok && b.ok;
        if (!a.ok || !b.ok) {
            std::printf("%-36s   failed\n", workloads[i].name);
            continue;
        }
        std::printf("%-36s %9.0f %7.1fM %8.2f   %9.0f %7.1fM %8.2f\n", workloads[i].name, a.fps,
                    a.cyclesPerSecond / 1e6, ratio(a), b.fps, b.cyclesPerSecond / 1e6, ratio(b));
    }
    for (const Row* r : {&alone, &simulator}) {
        allOk = allOk && r->ok;
        if (r->ok)
            std::printf("%-36s %9s %7.1fM  (cpu_work.sim, %.0f x real)\n", r->name.c_str(), "",
                        r->cyclesPerSecond / 1e6, r->cyclesPerSecond / RealCyclesPerSecond);
        else
            std::printf("%-36s   failed\n", r->name.c_str());
    }
    // Both ran the same program to the same end.
    const bool sameResult = !run6502.empty() && !sim65.empty() && run6502[0].result == sim65[0].result;
    if (alone.ok && simulator.ok)
        std::printf("run6502 / sim65: %.2f (exit codes %d and %d%s)\n", alone.cyclesPerSecond / simulator.cyclesPerSecond,
                    run6502[0].result, sim65[0].result, sameResult ? "" : ", DIFFERENT");

    // The runner itself, as a user starts it: its peak resident memory.
    std::string output;
    const Figures runner = RunCommand({build + "/ravlin-headless", "--frames", "500"}, &output);
    if (runner.ok)
        std::printf("ravlin-headless --frames 500: peak RSS %.1f MiB\n", runner.peakKiB / 1024.0);
    std::printf("(%d rounds of %ld frames each, medians; speeds in processor time; Accuracy=1, sound on)\n", runs,
                frames);
    return allOk && runner.ok && sameResult ? 0 : 1;
}
