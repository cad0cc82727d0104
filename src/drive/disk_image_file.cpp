#include "drive/disk_image_file.h"

#include <cstring>

#include "drive/d64_image.h"
#include "drive/dos.h"
#include "drive/g64_image.h"
#include "drive/gcr_d64.h"
#include "files/safe_save.h"

namespace {

// 84 tracks of the longest length a G64 can give, with their tables.
constexpr size_t LargestImageBytes = 12 + 8 * GcrHalfTracks + GcrHalfTracks * (2 + 0xFFFF + 0x4000);

bool IsG64(const std::vector<uint8_t>& bytes) { return bytes.size() >= 8 && std::memcmp(bytes.data(), "GCR-1541", 8) == 0; }

}  // namespace

bool LoadDiskImageFile(const std::string& path, GcrDisk* disk, DiskImageFile* file, std::string* message)
{
    std::vector<uint8_t> bytes;
    if (!ReadImageFile(path, LargestImageBytes, &bytes, message))
        return false;
    GcrDisk loaded;
    DiskImageFile opened{path, DiskImageKind::D64, {}};
    if (IsG64(bytes)) {
        if (!GcrDiskFromG64(bytes, &loaded, message))
            return false;
        opened.kind = DiskImageKind::G64;
    } else if (GcrDiskFromD64(bytes, &loaded)) {
        opened.d64 = std::move(bytes);
    } else {
        *message = "not a D64 or G64 image: " + std::to_string(bytes.size()) + " bytes";
        return false;
    }
    loaded.writeProtected = !ImageWritable(path);
    *disk = std::move(loaded);
    *file = std::move(opened);
    message->clear();
    return true;
}

bool SaveDiskImageFile(GcrDisk& disk, DiskImageFile& file, std::string* message)
{
    message->clear();
    bool anyWritten = false;
    for (const GcrTrack& track : disk.tracks)
        anyWritten = anyWritten || track.written;
    if (!anyWritten)
        return true;
    std::vector<uint8_t> bytes;
    std::vector<int> saved;   // half-tracks now in the file
    if (file.kind == DiskImageKind::G64) {
        bytes = G64FromGcrDisk(disk);
        for (int i = 0; i < GcrHalfTracks; i++)
            saved.push_back(i);
    } else {
        bytes = file.d64;
        const int tracks = bytes.size() >= D64Bytes40 ? 40 : 35;
        for (int i = 0; i < GcrHalfTracks; i++) {
            if (!disk.tracks[i].written)
                continue;
            const int track = i / 2 + 1;
            std::string problem;
            if (i % 2 || track > tracks)
                *message += "track " + std::to_string(track) + (i % 2 ? ".5" : "") +
                            " was written: the D64 image has no room for it\n";
            else if (GcrTrackIntoD64(disk, track, bytes, &problem))
                saved.push_back(i);
            else
                *message += problem + "\n";
        }
    }
    const bool changed = file.kind == DiskImageKind::G64 || bytes != file.d64;
    if (changed && !SaveFileReplacing(file.path.c_str(), bytes.data(), bytes.size())) {
        *message += "can't save " + file.path + ": " + SaveFailureReason() + "\n";
        return false;
    }
    if (file.kind == DiskImageKind::D64)
        file.d64 = std::move(bytes);
    for (int i : saved)
        disk.tracks[i].written = false;
    return message->empty();
}
