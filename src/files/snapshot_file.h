// Snapshot files: the machine model, registers, ROM switch, the three
// timers and all 64 KiB of RAM, 65,608 bytes of little-endian fields.
#pragma once
#include <cstdint>

constexpr uint32_t SnapshotFileSize = 65608;

// Returns true only when the whole file was written; a failed save leaves
// any earlier file intact.
bool SaveSnapshotFile(const char* fileName);
// Restores the machine from a regular file of exactly SnapshotFileSize
// bytes: the model it was saved on, registers, ROM switch, timers
// (counters by their low 16 bits) and RAM; clears a pending interrupt and
// has the sound follow the restored sound registers.  Returns false, changing nothing, for any other file: a
// wrong size, a directory, a fifo, a file that can't be opened or read.
bool LoadSnapshotFile(const char* fileName);
