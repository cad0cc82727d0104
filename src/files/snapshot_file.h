// Snapshot files: registers, ROM switch, the three timers and all 64 KiB of
// RAM, 65,608 bytes of little-endian fields.
#pragma once
#include <cstdint>

constexpr uint32_t SnapshotFileSize = 65608;

// Returns true only when the whole file was written; a failed save leaves
// any earlier file intact.
bool SaveSnapshotFile(const char* fileName);
// Applies each field as soon as it has been read; a file that ends early
// (even inside a field) leaves the later fields and RAM as they were.
// Returns false when the file could not be opened or a read failed (a
// directory, an I/O error); an empty or short file counts as read.
bool LoadSnapshotFile(const char* fileName);
