// Program files: a two-byte load address, then the bytes to load there.
#pragma once
#include <cstdint>

// Loads the file into RAM and sets BASIC's end pointers.  Returns whether
// anything was loaded.
bool LoadProgramFile(const char* fileName);
// Writes start..end-1 from RAM (even under ROM).  Returns true only when the
// whole file was written; a failed save leaves any earlier file intact.
bool SaveProgramFile(const char* fileName, uint16_t start, uint16_t end);
