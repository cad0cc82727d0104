// G64 images: the GCR surface as stored.  After the signature "GCR-1541"
// come a version byte (0), the number of half-track entries (84 at most
// here) and the largest track's size (2 bytes, little-endian); then a table
// of 4-byte offsets, one per half-track from track 1 (0: nothing recorded),
// and a table of 4-byte speed entries (0-3: the zone of the whole track;
// larger: the offset of a map giving each byte's zone, four a byte).  At each
// track's offset: its length (2 bytes) and its bytes, syncs and gaps included.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "drive/gcr_disk.h"

// False with the reason in *problem (disk unchanged) for a file that is no
// G64 image or whose tables point outside it.
bool GcrDiskFromG64(const std::vector<uint8_t>& file, GcrDisk* disk, std::string* problem);
// The disk as a G64 file: 84 entries, tracks in half-track order, each in a
// slot of the largest size, speed maps after the tracks.
std::vector<uint8_t> G64FromGcrDisk(const GcrDisk& disk);
