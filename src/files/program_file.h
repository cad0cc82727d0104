// Program files: a two-byte load address, then the bytes to load there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// At most this many data bytes are taken from a program file.
constexpr uint32_t ProgramDataLimit = 60000;

// Why a program file of `size` bytes that starts with `bytes` can't be
// loaded, or empty when it can: it has no load address, or its data would
// run past 0xFFFF (which no load wraps over to zero page).  `bytes` holds
// the file's first two bytes when size is 2 or more.
std::string ProgramLoadProblem(const uint8_t* bytes, uint64_t size);

// Copies the file's data into RAM at its load address (the C16's 16 KiB take
// a load address above them in their mirror and drop bytes past their end)
// and moves BASIC's end pointers.  Returns whether the load took effect; a file that can't be
// opened, is not a regular file (a directory, a fifo), or has a problem
// above changes nothing.
bool LoadProgramFile(const char* fileName);
// The same for a program file's bytes held in memory (one read from drive 8).
bool LoadProgramBytes(const uint8_t* bytes, size_t size);
// Writes start..end-1 from RAM (even under ROM).  Returns true only when the
// whole file was written; a failed save leaves any earlier file intact.
// Ranges with start >= end are refused and write nothing.
bool SaveProgramFile(const char* fileName, uint16_t start, uint16_t end);
