// The long soak: the real KERNAL for RAVLIN_SOAK_FRAMES emulated frames
// (default 200,000) in ravlin-headless, driven by a fixed-seed random script
// of key presses, typing and hot keys (menus, debugger, status line, resets,
// screenshots, snapshots saved and loaded in the scratch directory).  At the
// end the machine must still answer PRINT at READY, and the runner's
// resident memory must not have grown between the first tenth of the run
// and its end.  Not part of the default test run: see the README.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

long EnvironmentNumber(const char* name, long fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atol(value) : fallback;
}

// Keys that type on the machine, cursor movement and editing keys.
const char* const MachineKeys[] = {
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S",
    "T", "U", "V", "W", "X", "Y", "Z", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "SPACE",
    "RETURN", "UP", "DOWN", "LEFT", "RIGHT", "HOME", "BACKSPACE", "INSERT", "DELETE", "COMMA",
    "PERIOD", "SLASH", "SEMICOLON", "EQUALS", "MINUS", "F1", "F2", "F3", "F4", "F5", "ESC", "TAB",
    "LCTRL", "LALT", "LSHIFT", "CAPSLOCK", "KPPLUS", "KP5", "KPENTER", "PGUP", "PGDN", "END"};

std::string RandomKey(std::mt19937& rng)
{
    return MachineKeys[rng() % std::size(MachineKeys)];
}

// The script: random events between waits until `total` frames, then a
// way back to READY and the PRINT check.  Marker files tell the watcher
// where the run is.
std::string SoakScript(long total, uint32_t seed, long& frames)
{
    std::mt19937 rng(seed);
    std::ostringstream s;
    s << "frames 120\n";
    frames = 120;
    int snapshots = 0;
    bool markedStart = false, markedLate = false;
    while (frames < total) {
        if (!markedStart && frames >= total / 10) {
            s << "screen-text mark-start.txt\n";
            markedStart = true;
        }
        if (!markedLate && frames >= total * 9 / 10) {
            s << "screen-text mark-late.txt\n";
            markedLate = true;
        }
        long wait = 1 + static_cast<long>(rng() % 200);
        s << "frames " << wait << "\n";
        frames += wait;
        switch (rng() % 20) {
        case 0: case 1: case 2: case 3: case 4: case 5:
            s << "press " << RandomKey(rng) << " " << 1 + rng() % 4 << "\n";
            frames += 4;
            break;
        case 6: case 7:
            s << "type PRINT " << rng() % 1000 << "*" << rng() % 100 << "\\n\n";
            frames += 80;
            break;
        case 8: s << "press F6\n"; break;                         // screenshot
        case 9: case 10: {                                        // a menu, keys, Escape
            // Keys each menu takes; never Enter or D in the load menu,
            // which would leave the scratch directory.
            static const char* const optionKeys[] = {"J", "S", "O", "DOWN", "UP"};
            static const char* const loadKeys[] = {"DOWN", "UP", "LEFT", "RIGHT", "PGUP", "PGDN", "HOME", "END"};
            static const char* const saveKeys[] = {"DOWN", "UP", "RETURN", "S", "A", "V", "E", "1", "SPACE", "BACKSPACE"};
            const int menu = static_cast<int>(rng() % 3);
            if (menu == 2)
                s << "hold LSHIFT\npress F8\nrelease LSHIFT\n";
            else
                s << "press " << (menu == 0 ? "F7" : "F8") << "\n";
            for (int k = static_cast<int>(rng() % 8); k > 0; k--)
                s << "press "
                  << (menu == 0   ? optionKeys[rng() % std::size(optionKeys)]
                      : menu == 1 ? loadKeys[rng() % std::size(loadKeys)]
                                  : saveKeys[rng() % std::size(saveKeys)])
                  << "\n";
            s << "press ESC\npress ESC\npress ESC\n";
            frames += 40;
            break;
        }
        case 11: {                                                // debugger
            // Pages and views only: no breakpoints, no register edits.
            static const char* const keys[] = {"F1", "F2", "F3", "F4", "TAB", "UP", "DOWN", "PGUP", "PGDN", "T", "L", "F8"};
            s << "press F9\n";
            for (int k = static_cast<int>(rng() % 6); k > 0; k--)
                s << "press " << keys[rng() % std::size(keys)] << "\n";
            s << "press ESC\n";
            frames += 30;
            break;
        }
        case 12: s << "hold LSHIFT\npress F9\nrelease LSHIFT\n"; break;   // status line
        case 13: s << "press F11\n"; break;                               // soft reset
        case 14: s << "hold LSHIFT\npress F11\nrelease LSHIFT\n"; break;  // hard reset
        case 15: case 16:
            s << "save-snapshot soak" << snapshots % 4 << ".fre\n";
            snapshots++;
            break;
        case 17:
            if (snapshots)
                s << "load soak" << rng() % std::min(snapshots, 4) << ".fre\n";
            break;
        case 18: s << "screenshot soak.bmp\n"; break;
        default: {                                                // a key held down
            std::string key = RandomKey(rng);
            s << "hold " << key << "\nframes 30\nrelease " << key << "\n";
            frames += 30;
            break;
        }
        }
    }
    // Back to READY: let go of everything, leave any menu or debugger page,
    // reset, then ask.
    for (const char* k : MachineKeys)
        s << "release " << k << "\n";
    s << "press ESC\npress ESC\nframes 10\npress F11\nframes 200\n"
         "type PRINT 6*7\\n\nframes 60\nscreen-text\n";
    return s.str();
}

TEST(Soak, RealKernalUnderRandomKeysAndHotKeys)
{
    REQUIRE_REAL_ROMS();
    ScratchDirectory dir;
    dir.CopyRealRoms();
    dir.WriteText("settings", "Sync=0\nSoundEmulation=1\n");
    const long total = EnvironmentNumber("RAVLIN_SOAK_FRAMES", 200000);
    long frames = 0;
    dir.WriteText("soak.script", SoakScript(total, static_cast<uint32_t>(EnvironmentNumber("RAVLIN_SOAK_SEED", 1)), frames));

    const auto started = std::chrono::steady_clock::now();
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int out = open("soak.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open("soak.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        std::string runner = std::string(RAVLIN_BINARY_DIR) + "/ravlin-headless";
        execl(runner.c_str(), runner.c_str(), "--script", "soak.script", "--frames", "0", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Resident memory at a tenth and at nine tenths of the run (marker
    // files), and the last reading before the runner ended.
    long startKiB = -1, lateKiB = -1, endKiB = -1, peakKiB = 0;
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        long rss = ResidentKiB(pid);
        peakKiB = std::max(peakKiB, rss);
        if (startKiB < 0 && dir.Exists("mark-start.txt"))
            startKiB = rss;
        if (lateKiB < 0 && dir.Exists("mark-late.txt"))
            lateKiB = rss;
        if (rss > 0)
            endKiB = rss;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::string out = dir.ReadText("soak.out");
    const std::string err = dir.ReadText("soak.err");
    std::printf("soak: %ld frames in %.1f s; resident %ld KiB at a tenth, %ld KiB at nine tenths, %ld KiB last "
                "seen, peak %ld KiB\n",
                frames, seconds, startKiB, lateKiB, endKiB, peakKiB);
    ASSERT_TRUE(WIFEXITED(status)) << "runner killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0)
                                   << "\n" << err;
    EXPECT_EQ(0, WEXITSTATUS(status)) << err;
    EXPECT_EQ(" 42", LineAfter(out, "PRINT 6*7").substr(0, 3)) << out;
    if (total < 50000)
        return;   // too short to watch
    ASSERT_GT(startKiB, 0);
    ASSERT_GT(lateKiB, 0);
    EXPECT_LE(lateKiB, startKiB + 4096) << "resident memory grew";
    EXPECT_LE(endKiB, startKiB + 4096) << "resident memory grew";
}

}  // namespace
