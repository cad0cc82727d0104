// bench_suite: the whole benchmark table.  Each workload runs headless from
// a cold start in a child process of its own, unpaced, for a fixed number of
// emulated frames with the real ROMs; each figure is the median of several
// runs.  bench/run.sh builds everything and calls this.
//
//   bench_suite BUILD_DIR ROM_DIR [RUNS] [FRAMES]
//
// BUILD_DIR holds screen_work.prg and cpu_work.sim (built by run.sh with
// cl65) and ravlin-headless.  Speeds are counted in processor time of the
// emulating process, so other work on a shared machine does not count
// against the emulator; the wall-clock ratio is printed beside it.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cpu/core.h"
#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
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
    double frames = 0, cycles = 0, seconds = 0, wallSeconds = 0;
    long peakKiB = 0;
    int result = -1;    // the processor-alone program's exit code
    bool ok = false;
};

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
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
Figures RunEmulated(const Workload& w, long frames, bool countCycles)
{
    Figures f;
    const std::string settings = "/tmp/bench_suite_settings_" + std::to_string(getpid());
    if (FILE* s = std::fopen(settings.c_str(), "w")) {
        std::fprintf(s, "ScreenMode=%u\nSync=0\nSoundEmulation=0\n", w.screenMode);
        std::fclose(s);
    }
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
    const double wallStart = WallSeconds();
    const double start = ProcessSeconds();
    if (countCycles) {
        while (running && Ted.FramesCompleted < target)
            cycles += CountedPass(&exitCode, &running);
    } else {
        running = RunMainLoop(&exitCode, target);
    }
    f.seconds = ProcessSeconds() - start;
    f.wallSeconds = WallSeconds() - wallStart;
    f.frames = static_cast<double>(frames);
    f.cycles = static_cast<double>(cycles);
    f.ok = running;
    return f;
}

// The processor alone: the sim65 program on the core over flat RAM (as
// run6502 runs it), until it jumps to sim65's exit hook at the top of memory.
uint8_t FlatMemory[0x10000];

struct FlatBus {
    static uint8_t Read(uint16_t address, uint64_t) { return FlatMemory[address]; }
    static void Write(uint16_t address, uint8_t value, uint64_t) { FlatMemory[address] = value; }
    // The exit hook ends the run.
    static bool Trap(uint16_t pc, uint64_t) { return pc >= 0xFFF0; }
};

Figures RunProcessorAlone(const std::string& binary)
{
    Figures f;
    std::ifstream in(binary, std::ios::binary);
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Header: "sim65", version, processor, stack pointer's zero-page
    // address, load address, start address.
    if (image.size() < 12 || std::memcmp(image.data(), "sim65", 5) != 0)
        return f;
    const uint16_t load = static_cast<uint16_t>(image[8] | image[9] << 8);
    const uint16_t start = static_cast<uint16_t>(image[10] | image[11] << 8);
    if (load + image.size() - 12 > 0x8000)
        return f;
    std::copy(image.begin() + 12, image.end(), FlatMemory + load);
    CpuCore core{};
    core.regs.PC = start;
    core.regs.SP = 0xFF;
    // The guard stops a program gone wrong; this one takes a few hundred
    // million cycles.
    core.stopAt = 50'000'000'000ull;
    const double wallStart = WallSeconds();
    const double begin = ProcessSeconds();
    Run<FlatBus, true>(core);
    f.seconds = ProcessSeconds() - begin;
    f.wallSeconds = WallSeconds() - wallStart;
    f.cycles = static_cast<double>(core.cycle);
    f.frames = f.cycles / (RealCyclesPerSecond / RealFramesPerSecond);
    f.result = core.regs.AC;   // the exit code, as sim65 hands it to the host
    f.ok = core.regs.PC >= 0xFFF0;
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
    const double wallStart = WallSeconds();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        output->append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 127)
        return f;
    f.wallSeconds = WallSeconds() - wallStart;
    f.seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    f.peakKiB = usage.ru_maxrss;
    f.result = WEXITSTATUS(status);
    f.ok = true;
    return f;
}

Figures Sim65(const std::string& binary)
{
    std::string output;
    Figures f = RunCommand({"sim65", "-c", binary}, &output);
    // "NNN cycles"
    f.cycles = std::strtod(output.c_str(), nullptr);
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
    double fps = 0, cyclesPerSecond = 0, wallRatio = 0;
    long peakKiB = 0;
    bool ok = false;
};

// The medians of one workload's runs.
Row Summarise(const std::string& name, const std::vector<Figures>& results)
{
    std::vector<double> fps, cps, wall;
    Row row{name};
    for (const Figures& f : results) {
        if (!f.ok || f.seconds <= 0)
            return row;
        fps.push_back(f.frames / f.seconds);
        cps.push_back(f.cycles / f.seconds);
        wall.push_back(f.frames / f.wallSeconds / RealFramesPerSecond);
        row.peakKiB = std::max(row.peakKiB, f.peakKiB);
    }
    row.fps = Median(fps);
    row.cyclesPerSecond = Median(cps);
    row.wallRatio = Median(wall);
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

    const std::string basicCompute =
        "type 10 A=A+1:B=A*A/7:PRINT A;B;SQR(A)\\n20 GOTO 10\\nRUN\\n\n";
    const std::vector<Workload> workloads = {
        {"KERNAL idle, screen mode 0", 0, 300, ""},
        {"KERNAL idle, screen mode 2", 2, 300, ""},
        {"BASIC compute and print, mode 0", 0, 600, basicCompute},
        {"compiled C, screen writes, mode 0", 0, 400, "load " + build + "/screen_work.prg\nrun\n"},
        {"hires bitmap redrawn, mode 2", 2, 600,
         "type 10 GRAPHIC 1,1:FOR R=4 TO 90 STEP 6:CIRCLE 1,160,100,R:NEXT:GOTO 10\\nRUN\\n\n"},
        {"multicolour bitmap redrawn, mode 2", 2, 600,
         "type 10 GRAPHIC 3,1:FOR R=4 TO 90 STEP 6:CIRCLE 2,80,100,R/2,R:NEXT:GOTO 10\\nRUN\\n\n"},
    };

    // Round by round, every workload once a round, so that a burst of
    // other work on the machine spreads over the workloads.
    const std::string cpuProgram = build + "/cpu_work.sim";
    const size_t count = workloads.size();
    std::vector<std::vector<Figures>> results(count + 2);
    std::vector<double> cyclesOf(count);
    for (size_t i = 0; i < count; i++)
        cyclesOf[i] = InChild([&] { return RunEmulated(workloads[i], frames, true); }).cycles;
    for (int round = 0; round < runs; round++) {
        for (size_t i = 0; i < count; i++) {
            results[i].push_back(InChild([&] { return RunEmulated(workloads[i], frames, false); }));
            results[i].back().cycles = cyclesOf[i];
        }
        results[count].push_back(InChild([&] { return RunProcessorAlone(cpuProgram); }));
        results[count + 1].push_back(Sim65(cpuProgram));
    }
    std::vector<Row> rows;
    for (size_t i = 0; i < count; i++)
        rows.push_back(Summarise(workloads[i].name, results[i]));
    const Row alone = Summarise("processor alone (flat RAM)", results[count]);
    const Row sim65 = Summarise("sim65, same program", results[count + 1]);
    rows.push_back(alone);
    rows.push_back(sim65);

    std::printf("%-36s %10s %9s %9s %12s %9s %9s\n", "workload", "frames/s", "x real", "x wall", "cycles/s",
                "peak RSS", "/ alone");
    for (const Row& r : rows) {
        if (!r.ok) {
            std::printf("%-36s   failed\n", r.name.c_str());
            continue;
        }
        std::printf("%-36s %10.0f %8.0fx %8.0fx %11.1fM %7.1f MiB %8.2f\n", r.name.c_str(), r.fps,
                    r.fps / RealFramesPerSecond, r.wallRatio, r.cyclesPerSecond / 1e6, r.peakKiB / 1024.0,
                    alone.ok ? r.cyclesPerSecond / alone.cyclesPerSecond : 0.0);
    }
    // Both ran the same program to the same end.
    const bool sameResult = results[count][0].result == results[count + 1][0].result;
    if (alone.ok && sim65.ok)
        std::printf("processor alone / sim65: %.2f (exit codes %d and %d%s)\n",
                    alone.cyclesPerSecond / sim65.cyclesPerSecond, results[count][0].result,
                    results[count + 1][0].result, sameResult ? "" : ", DIFFERENT");

    // The runner itself, as a user starts it: its peak resident memory.
    std::string output;
    const Figures runner = RunCommand({build + "/ravlin-headless", "--frames", "500"}, &output);
    if (runner.ok)
        std::printf("ravlin-headless --frames 500: peak RSS %.1f MiB\n", runner.peakKiB / 1024.0);
    std::printf("(%d runs of %ld frames each, medians; x real and cycles/s in processor time, x wall in "
                "wall-clock time)\n",
                runs, frames);
    bool allOk = runner.ok && sameResult;
    for (const Row& r : rows)
        allOk = allOk && r.ok;
    return allOk ? 0 : 1;
}
