// Opening a file the user chose, for reading: only a regular file, and
// never in a way that can wait (a named pipe waits for a writer, a device
// for data, for ever).
#pragma once
#include <cstdint>
#include <cstdio>

// The file opened for binary reading when it is a regular file (a symbolic
// link to one counts), with its length in *size; null for anything else,
// or when it can't be opened.
std::FILE* OpenRegularFile(const char* fileName, uint64_t* size);
