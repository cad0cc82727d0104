#include "machine/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/version.h"

FILE* LogFile = nullptr;

namespace {

// What has gone into the open log, and whether it was cut.
size_t LogBytes = 0;
bool LogCut = false;

int OpenLogFile()
{
    return open("Ravlin.log", O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
}

}  // namespace

bool OpenLog()
{
    // The log stays in the current directory: a symbolic link of that name
    // is replaced by the log, never followed to a file elsewhere.
    int fd = OpenLogFile();
    if (fd < 0 && errno == ELOOP && unlink("Ravlin.log") == 0)
        fd = OpenLogFile();
    if (fd < 0)
        return false;
    LogBytes = 0;
    LogCut = false;
    LogFile = fdopen(fd, "w");
    if (!LogFile)
        close(fd);
    return LogFile != nullptr;
}

void CloseLog()
{
    if (LogFile) {
        std::fclose(LogFile);
        LogFile = nullptr;
    }
}

void LogLine(const char* format, ...)
{
    if (!Config.Log || !LogFile || LogCut)
        return;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    // The serial bus hook writes a line per port write for as long as the
    // machine runs: the log stops at LogLimit, the last line saying so.
    if (length >= 0 && LogBytes + static_cast<size_t>(length) + sizeof LogCutLine - 1 <= LogLimit) {
        std::vfprintf(LogFile, format, args);
        LogBytes += static_cast<size_t>(length);
    } else if (length >= 0) {
        std::fputs(LogCutLine, LogFile);
        LogBytes += sizeof LogCutLine - 1;
        LogCut = true;
    }
    va_end(args);
}

void WriteLogHeader()
{
    static const char* const ModeNames[7] = {
        "320x200\n", "400x300\n", "512x384\n", "320x240\n",
        "640x400\n", "640x480 Full\n", "800x600 SL\n",
    };
    LogLine("Ravlin log file created. Version %s\n\n", RavlinVersion);
    // Settings out of range were replaced by their defaults; should one
    // still come here, an unknown mode writes no name.
    LogLine("Screenmode: %s", Config.ScreenMode < 7 ? ModeNames[Config.ScreenMode] : "");
    LogLine("Sound emulation: %s", Config.SoundEmulation == 1 ? "Enabled\n" : "Disabled\n");
    LogLine("Plus4 ROMs: %s", Config.Plus4ROMS == 1 ? "Enabled\n" : "Disabled\n");
    LogLine("ModeX: %s", Config.ModeX == 1 ? "Enabled\n" : "Disabled\n");
    LogLine("Debugger: %s", Config.Debugger == 1 ? "Enabled\n" : "Disabled\n");
    LogLine("Process priority: %d\n", static_cast<int32_t>(Config.Priority));
    LogLine("Synchronization: %d\n", static_cast<int32_t>(Config.Sync));
    LogLine("Joystick: %d\n", static_cast<int32_t>(JoystickMode));
    LogLine("50Hz performance frequency: %d\n", static_cast<int32_t>(static_cast<uint32_t>(FramePeriod)));
    LogLine("\n");
    LogSettingsOutOfRange();
}
