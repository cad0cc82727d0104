// Snapshot files: registers, ROM switch, timer 1 and all 64 KiB of RAM.
#pragma once

// Returns true only when the whole file was written; a failed save leaves
// any earlier file intact.
bool SaveSnapshotFile(const char* fileName);
// Applies each field as it is read; returns whether the file opened.
bool LoadSnapshotFile(const char* fileName);
