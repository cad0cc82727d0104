// A D64 disk image held in memory: its geometry, sectors, error bytes, the
// block availability map (BAM) on track 18 sector 0, and sector chains.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drive/dos.h"

// The four image sizes: 35 or 40 tracks, each with or without one error
// byte per sector after the sectors.
constexpr size_t D64Bytes35 = 174848;
constexpr size_t D64Bytes35Errors = 175531;
constexpr size_t D64Bytes40 = 196608;
constexpr size_t D64Bytes40Errors = 197376;
constexpr size_t SectorBytes = 256;
constexpr size_t DataBytesPerSector = 254;   // after the two link bytes

constexpr uint8_t DirectoryTrack = 18;
constexpr uint8_t BamSector = 0;
constexpr uint8_t FirstDirectorySector = 1;

// The geometry every image shares: the sectors on a track (21 for tracks
// 1-17, 19 for 18-24, 18 for 25-30, 17 beyond; the caller keeps to the
// image's tracks) and a sector's place among all sectors, counted from
// 1/0 (its bytes start at 256 times it, its error byte after them all).
uint8_t D64TrackSectors(uint8_t track);
size_t D64SectorIndex(uint8_t track, uint8_t sector);

struct D64Image {
    std::vector<uint8_t> bytes;
    uint8_t tracks = 0;          // 35 or 40
    bool hasErrorBytes = false;
};
extern D64Image Image;

// Takes the bytes of an image file; false (image unchanged) when the size is
// not one of the four.
bool ImageFromBytes(std::vector<uint8_t> bytes);
// Writes the whole image back to the attached path, atomically.
DosError ImageWriteBack();

uint8_t SectorsInTrack(uint8_t track);   // 0 for a track the image lacks
bool SectorExists(uint8_t track, uint8_t sector);
// The 256 bytes of a sector; nullptr when it doesn't exist.
uint8_t* Sector(uint8_t track, uint8_t sector);
// What reading the sector gives: 66 when it doesn't exist, a read error
// when its error byte says so, else 0.
DosError CheckSectorRead(uint8_t track, uint8_t sector);
// After a write the sector reads well again.
void ClearSectorError(uint8_t track, uint8_t sector);

// A chain of linked sectors, followed safely: each sector once at most.
struct ChainStep {
    uint8_t track, sector;
};
// The sectors of the chain from (track, sector), and the data bytes when
// data is given.  Ends at the last sector (link track 0) or at the first
// fault: 66 for a link outside the disk, 20 for a loop or an unreadable
// sector.
DosError FollowChain(uint8_t track, uint8_t sector, std::vector<ChainStep>* steps, std::vector<uint8_t>* data);

// The BAM.  A set bit marks a free sector; each track's count byte is kept
// equal to its bits.
bool BamSectorFree(uint8_t track, uint8_t sector);
void BamSetFree(uint8_t track, uint8_t sector, bool free);
uint16_t BamBlocksFree();                 // all tracks but the directory track
uint8_t BamTrackFree(uint8_t track);      // from the bits
void BamClear(bool allFree);              // every track's map
void BamRecount();                        // count bytes from the bits
// The next free sector for a file: the track nearest the directory first,
// ten sectors on from the previous one.  False when the disk is full.
bool BamAllocate(uint8_t* track, uint8_t* sector, bool first);
// A free sector on the directory track, three on from the previous one.
bool BamAllocateDirectory(uint8_t after, uint8_t* sector);
