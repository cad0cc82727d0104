// The start-up log "Ravlin.log" in the current directory.
#pragma once
#include <cstdio>

extern FILE* LogFile;

bool OpenLog();
void CloseLog();
// Writes formatted text when the Log setting is on and the file is open.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteLogHeader();
