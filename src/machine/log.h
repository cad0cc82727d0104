// The start-up log "Ravlin.log" in the current directory.
#pragma once
#include <cstddef>
#include <cstdio>

extern FILE* LogFile;

// The log never grows past this many bytes: the line that would pass it is
// replaced by LogCutLine, and nothing is written after that.
constexpr size_t LogLimit = 1u << 20;
constexpr char LogCutLine[] = "Warning: Log cut at 1 MiB; nothing more is written.\n";

bool OpenLog();
void CloseLog();
// Writes formatted text when the Log setting is on and the file is open,
// up to LogLimit bytes in all.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteLogHeader();
