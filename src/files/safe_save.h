// Writing a whole file without ever destroying an earlier one: the bytes go
// to a temporary file beside the target, which replaces the target only once
// every byte has reached the disk.
#pragma once
#include <cstddef>
#include <cstdint>

// Returns true when fileName now holds exactly these bytes.  On failure the
// earlier file of that name (if any) is untouched and no temporary file is
// left behind.
bool SaveFileReplacing(const char* fileName, const uint8_t* data, size_t size);

// For tests: the next save writes at most `bytes` bytes and then fails as a
// full disk would.  A negative value switches the fault off.
void InjectSaveWriteFailure(long bytes);
