// D64 images on the GCR surface.  A D64 holds only the sectors' contents
// and, in two of its four sizes, an error byte per sector.  Inserted, every
// track is laid out as the drive's own format lays it: per sector a SYNC,
// the header block ($08, checksum, sector, track, the second and first
// characters of the disk ID from the BAM, $0F, $0F), a gap of nine $55, a
// SYNC, the data block ($07, 256 bytes, checksum, $00, $00), and a gap
// that spreads what is left of one turn over the sectors.
//
// A sector whose error byte names a read error is recorded with that fault:
//   20 (code 2)  the header block's mark is spoiled: the header is never found
//   21 (code 3)  no SYNC before its blocks: each stands as a run of nine
//                ones, one short of what the hardware takes for SYNC (and
//                more than GCR data ever holds, so the decoder still finds it)
//   22 (code 4)  the data block's mark is spoiled
//   23 (code 5)  the data block's checksum is wrong
//   24 (code 6)  an invalid GCR code in the data block's last byte, past
//                the checksum (the 1541's DOS reads the sector without
//                noticing; it leaves other broken codes there after every
//                sector it writes, which decode as good)
//   27 (code 9)  the header's checksum is wrong
//   29 (code 11) the header carries another disk ID
// Other codes (25, 26, 28, 74 ...) leave no mark on the surface: the sector
// is recorded whole, and decoding keeps the code while the sector's bytes
// stay the same.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "drive/gcr_disk.h"

// Lays the image out on a fresh disk (every half-track between the image's
// tracks, and past its last, stays empty).  False, disk unchanged, when the
// image is not one of the four D64 sizes.
bool GcrDiskFromD64(const std::vector<uint8_t>& image, GcrDisk* disk);

// Decodes one track into the image's sectors and error bytes.  False, the
// image unchanged, when the track no longer decodes: a sector is missing, or
// reads with an error an image without error bytes can't hold; *problem
// says which, e.g. "track 18 no longer decodes: sector 4 not found".
bool GcrTrackIntoD64(const GcrDisk& disk, int track, std::vector<uint8_t>& image, std::string* problem);
// Every track of the image, or only those the drive wrote.  Tracks that no
// longer decode keep their bytes; *problems gets a line for each.
bool GcrDiskIntoD64(const GcrDisk& disk, std::vector<uint8_t>& image, bool writtenOnly, std::string* problems);
