// Writing a whole file without ever destroying an earlier one: the bytes go
// to a temporary file beside the target, which replaces the target only once
// every byte has reached the disk.
//
// A name that is a symbolic link is saved through: the chain of links is
// followed to the file at its end, the temporary file is made in that file's
// own folder and renamed over it, and the links stay as they were.  A link
// that leads to no file, or a chain that loops, is refused and nothing is
// written.  A file with other hard links gets a new inode under the name
// saved to; its other names keep the earlier contents.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Returns true when fileName now holds exactly these bytes.  On failure the
// earlier file of that name (if any) is untouched and no temporary file is
// left behind.  A directory or a file the user may not write is never
// replaced.
bool SaveFileReplacing(const char* fileName, const uint8_t* data, size_t size);

// The same for a writer that creates and writes a file by name: it is given
// the temporary file's name and returns whether it wrote the whole file.
bool SaveFileReplacingVia(const char* fileName, const std::function<bool(const char* temporaryName)>& write);

// The file a save to fileName replaces: fileName itself, or for a symbolic
// link the file at the end of its chain (a relative link read from its own
// folder).  False, with the reason in *why, for a link to a missing file or
// a chain of links that loops.
bool SaveTargetOf(const std::string& fileName, std::string* target, std::string* why);

// Why the last save failed, in words for a message ("" after a success).
const std::string& SaveFailureReason();

// For tests: the next save stops after `bytes` bytes and fails as a full
// disk would.  A negative value switches the fault off.
void InjectSaveWriteFailure(long bytes);
