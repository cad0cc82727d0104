// Writing a whole file without ever destroying an earlier one: the bytes go
// to a temporary file beside the target, which replaces the target only once
// every byte has reached the disk.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

// Returns true when fileName now holds exactly these bytes.  On failure the
// earlier file of that name (if any) is untouched and no temporary file is
// left behind.  A directory or a file the user may not write is never
// replaced.
bool SaveFileReplacing(const char* fileName, const uint8_t* data, size_t size);

// The same for a writer that creates and writes a file by name: it is given
// the temporary file's name and returns whether it wrote the whole file.
bool SaveFileReplacingVia(const char* fileName, const std::function<bool(const char* temporaryName)>& write);

// For tests: the next save stops after `bytes` bytes and fails as a full
// disk would.  A negative value switches the fault off.
void InjectSaveWriteFailure(long bytes);
