// Shared pieces of the fuzz targets: a private working directory, files
// written from fuzz input, and a machine whose RAM is exactly 64 KiB so that
// AddressSanitizer sees any access past 0xFFFF.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Makes (once) a fresh temporary directory and enters it.
const std::string& FuzzDirectory();

void WriteFuzzFile(const char* name, const uint8_t* data, size_t size);

// Power-on state with Ram64 pointing at the exact 64 KiB buffer returned.
// Call ReleaseExactRam before the next power-on reset.
uint8_t* PowerOnWithExactRam();
void ReleaseExactRam();

// The real start-up (tiny ROM images, a settings file with this screen mode
// and Sync) with the display set up, then Ram64 moved to an exact 64 KiB
// buffer holding the same bytes.
uint8_t* BootWithExactRam(uint32_t screenMode, uint32_t sync);
