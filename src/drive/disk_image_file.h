// A disk image file in a drive that works at the hardware level: a D64 laid
// onto the GCR surface when it goes in, a G64 taken as it is, and the
// tracks the drive wrote put back into the file through the safe save.
#pragma once
#include <string>
#include <vector>

#include "drive/gcr_disk.h"

enum class DiskImageKind : uint8_t { D64, G64 };

struct DiskImageFile {
    std::string path;
    DiskImageKind kind = DiskImageKind::D64;
    std::vector<uint8_t> d64;   // a D64's bytes as the file holds them now
};

// Reads a G64 (known by its signature) or a D64 (by its size).  The disk is
// write-protected when the file can't be written back.  False, with the
// reason in *message and nothing changed, for a file that is neither.
bool LoadDiskImageFile(const std::string& path, GcrDisk* disk, DiskImageFile* file, std::string* message);

// Puts what the drive wrote back into the file; nothing is written when no
// track changed.  A D64 takes each written track decoded; a track that no
// longer decodes, or a place a D64 has no room for, keeps the image's bytes,
// stays marked written and is named in *message (one line each).  A G64 is
// written whole.  False when something could not be kept, or the save
// failed (the file then holds what it held).
bool SaveDiskImageFile(GcrDisk& disk, DiskImageFile& file, std::string* message);
