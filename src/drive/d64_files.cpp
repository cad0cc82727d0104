// The files on a D64 image: the directory entries on track 18, reading,
// writing, scratching and renaming files, formatting and validating.
#include <algorithm>
#include <cstring>

#include "drive/d64_image.h"

namespace {

// A directory entry: 32 bytes, eight to a sector; the first entry's first
// two bytes are the sector's link.
constexpr size_t EntryBytes = 32;
constexpr size_t EntryType = 2, EntryTrack = 3, EntrySector = 4, EntryName = 5;
constexpr size_t EntrySideTrack = 21, EntrySideSector = 22, EntryBlocks = 30;
constexpr uint8_t TypeClosed = 0x80, TypeLocked = 0x40;
constexpr uint8_t Pad = 0xA0;

// Where the BAM sector keeps the disk name, the id and the DOS type.
constexpr size_t BamDiskName = 0x90, BamDiskId = 0xA2, BamDosType = 0xA5;

struct Slot {
    uint8_t track, sector, offset;
    uint8_t* Bytes() const { return Sector(track, sector) + offset; }
};

// A disk never formatted: every byte of its directory track is zero (a
// format always writes the BAM's header and the first directory sector's
// link).  A drive finds no sector on such a track: "21,READ ERROR,18,00".
DosError UnformattedError()
{
    for (uint8_t sector = 0; sector < SectorsInTrack(DirectoryTrack); sector++) {
        const uint8_t* bytes = Sector(DirectoryTrack, sector);
        if (bytes && std::any_of(bytes, bytes + SectorBytes, [](uint8_t b) { return b != 0; }))
            return DosError{};
    }
    return DosError{DosNoSync, DirectoryTrack, BamSector};
}

// Every entry slot of the directory chain, used or not.
DosError DirectorySlots(std::vector<Slot>* slots, std::vector<ChainStep>* steps = nullptr)
{
    if (DosError error = UnformattedError(); error.code)
        return error;
    std::vector<ChainStep> chain;
    DosError error = FollowChain(DirectoryTrack, FirstDirectorySector, &chain, nullptr);
    for (const ChainStep& step : chain)
        for (uint8_t k = 0; k < 8; k++)
            slots->push_back({step.track, step.sector, static_cast<uint8_t>(k * EntryBytes)});
    if (steps)
        *steps = chain;
    return error;
}

std::vector<uint8_t> Unpadded(const uint8_t* bytes, size_t length)
{
    std::vector<uint8_t> text(bytes, bytes + length);
    while (!text.empty() && text.back() == Pad)
        text.pop_back();
    return text;
}

void Padded(uint8_t* to, const std::vector<uint8_t>& text, size_t length)
{
    std::memset(to, Pad, length);
    std::memcpy(to, text.data(), std::min(text.size(), length));
}

bool InUse(const Slot& slot)
{
    return slot.Bytes()[EntryType] != 0;
}

std::vector<uint8_t> SlotName(const Slot& slot)
{
    return Unpadded(slot.Bytes() + EntryName, MaxNameLength);
}

// The first completed file of that name.
bool FindSlot(const std::vector<uint8_t>& name, Slot* found, DosError* error)
{
    std::vector<Slot> slots;
    *error = DirectorySlots(&slots);
    for (const Slot& slot : slots)
        if (InUse(slot) && (slot.Bytes()[EntryType] & TypeClosed) && SlotName(slot) == name) {
            *found = slot;
            return true;
        }
    return false;
}

// Frees the sectors of a chain, as far as it can be followed.
void FreeChain(uint8_t track, uint8_t sector)
{
    std::vector<ChainStep> steps;
    FollowChain(track, sector, &steps, nullptr);
    for (const ChainStep& step : steps)
        BamSetFree(step.track, step.sector, true);
}

void FreeFile(const Slot& slot)
{
    const uint8_t* e = slot.Bytes();
    FreeChain(e[EntryTrack], e[EntrySector]);
    if ((e[EntryType] & 0x07) == FileRel)
        FreeChain(e[EntrySideTrack], e[EntrySideSector]);
}

// A slot for a new entry, adding a directory sector when all are taken.
bool FreeSlot(Slot* found)
{
    std::vector<Slot> slots;
    std::vector<ChainStep> chain;
    if (DirectorySlots(&slots, &chain).code || chain.empty())
        return false;
    for (const Slot& slot : slots)
        if (!InUse(slot)) {
            *found = slot;
            return true;
        }
    // A sector already in the chain may read as free when a damaged entry's
    // chain ran through it and was scratched: never link it twice.
    uint8_t sector = chain.back().sector;
    bool inChain = true;
    while (inChain) {
        if (!BamAllocateDirectory(chain.back().sector, &sector))
            return false;
        inChain = false;
        for (const ChainStep& step : chain)
            inChain = inChain || (step.track == DirectoryTrack && step.sector == sector);
    }
    uint8_t* last = Sector(DirectoryTrack, chain.back().sector);
    last[0] = DirectoryTrack;
    last[1] = sector;
    uint8_t* added = Sector(DirectoryTrack, sector);
    std::memset(added, 0, SectorBytes);
    added[1] = 0xFF;
    ClearSectorError(DirectoryTrack, sector);
    *found = {DirectoryTrack, sector, 0};
    return true;
}

// Writes the bytes into newly allocated sectors; false when they don't fit
// (then nothing stays allocated).
bool WriteChain(const std::vector<uint8_t>& bytes, uint8_t* firstTrack, uint8_t* firstSector, uint16_t* blocks)
{
    size_t count = std::max<size_t>(1, (bytes.size() + DataBytesPerSector - 1) / DataBytesPerSector);
    if (count > BamBlocksFree())
        return false;
    std::vector<ChainStep> sectors;
    uint8_t track = 0, sector = 0;
    for (size_t i = 0; i < count; i++) {
        if (!BamAllocate(&track, &sector, i == 0)) {
            for (const ChainStep& s : sectors)
                BamSetFree(s.track, s.sector, true);
            return false;
        }
        sectors.push_back({track, sector});
    }
    for (size_t i = 0; i < count; i++) {
        uint8_t* data = Sector(sectors[i].track, sectors[i].sector);
        std::memset(data, 0, SectorBytes);
        size_t from = i * DataBytesPerSector;
        size_t length = std::min(DataBytesPerSector, bytes.size() - std::min(bytes.size(), from));
        if (length)
            std::memcpy(data + 2, bytes.data() + from, length);
        if (i + 1 < count) {
            data[0] = sectors[i + 1].track;
            data[1] = sectors[i + 1].sector;
        } else {
            data[0] = 0;
            data[1] = static_cast<uint8_t>(length + 1);
        }
        ClearSectorError(sectors[i].track, sectors[i].sector);
    }
    *firstTrack = sectors[0].track;
    *firstSector = sectors[0].sector;
    *blocks = static_cast<uint16_t>(count);
    return true;
}

}  // namespace

DosError ImageReadDirectory(StoredDirectory* directory)
{
    *directory = StoredDirectory{};
    DosError error = UnformattedError();
    if (error.code || (error = CheckSectorRead(DirectoryTrack, BamSector)).code)
        return error;
    directory->headerRead = true;
    const uint8_t* bam = Sector(DirectoryTrack, BamSector);
    directory->diskName = Unpadded(bam + BamDiskName, MaxNameLength);
    directory->diskId.assign(bam + BamDiskId, bam + BamDiskId + 2);
    directory->dosType.assign(bam + BamDosType, bam + BamDosType + 2);
    directory->blocksFree = BamBlocksFree();
    std::vector<Slot> slots;
    error = DirectorySlots(&slots);
    for (const Slot& slot : slots) {
        if (!InUse(slot))
            continue;
        const uint8_t* e = slot.Bytes();
        StoredFile file;
        file.name = SlotName(slot);
        file.type = e[EntryType] & 0x07;
        file.closed = (e[EntryType] & TypeClosed) != 0;
        file.locked = (e[EntryType] & TypeLocked) != 0;
        file.blocks = static_cast<uint16_t>(e[EntryBlocks] | e[EntryBlocks + 1] << 8);
        directory->files.push_back(file);
    }
    return error;
}

DosError ImageReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes)
{
    Slot slot{};
    DosError error;
    if (!FindSlot(name, &slot, &error))
        return error.code ? error : DosError{DosFileNotFound, 0, 0};
    bytes->clear();
    return FollowChain(slot.Bytes()[EntryTrack], slot.Bytes()[EntrySector], nullptr, bytes);
}

DosError ImageWriteFile(const std::vector<uint8_t>& name, uint8_t type, const std::vector<uint8_t>& bytes,
                        bool replace)
{
    Slot old{};
    DosError error;
    bool exists = FindSlot(name, &old, &error);
    if (error.code)
        return error;
    if (exists && !replace)
        return DosError{DosFileExists, 0, 0};
    // Work on a copy: a disk too full for the file stays as it was.
    std::vector<uint8_t> before = Image.bytes;
    Slot slot = old;
    uint8_t track, sector;
    uint16_t blocks;
    if ((!exists && !FreeSlot(&slot)) || !WriteChain(bytes, &track, &sector, &blocks)) {
        Image.bytes = std::move(before);
        return DosError{DosDiskFull, 0, 0};
    }
    // A replaced file's entry gives up its old sectors and takes the new
    // chain, written first so that a full disk leaves the old file whole.
    if (exists)
        FreeFile(old);
    uint8_t* e = slot.Bytes();
    std::memset(e + EntryType, 0, EntryBytes - EntryType);
    e[EntryType] = static_cast<uint8_t>(TypeClosed | type);
    e[EntryTrack] = track;
    e[EntrySector] = sector;
    Padded(e + EntryName, name, MaxNameLength);
    e[EntryBlocks] = static_cast<uint8_t>(blocks);
    e[EntryBlocks + 1] = static_cast<uint8_t>(blocks >> 8);
    return ImageWriteBack();
}

DosError ImageScratch(const std::vector<uint8_t>& name)
{
    Slot slot{};
    DosError error;
    if (!FindSlot(name, &slot, &error))
        return error.code ? error : DosError{DosFileNotFound, 0, 0};
    FreeFile(slot);
    slot.Bytes()[EntryType] = 0;
    return ImageWriteBack();
}

DosError ImageRename(const std::vector<uint8_t>& from, const std::vector<uint8_t>& to)
{
    Slot slot{}, other{};
    DosError error;
    if (FindSlot(to, &other, &error))
        return DosError{DosFileExists, 0, 0};
    if (!FindSlot(from, &slot, &error))
        return error.code ? error : DosError{DosFileNotFound, 0, 0};
    Padded(slot.Bytes() + EntryName, to, MaxNameLength);
    return ImageWriteBack();
}

DosError ImageFormat(const std::vector<uint8_t>& diskName, const std::vector<uint8_t>& id)
{
    std::vector<uint8_t> keptId(2, '0');
    if (id.empty()) {
        // A short new: only the directory and the BAM are cleared, and the
        // id is the one the disk already has, so the disk must be formatted
        // and its BAM readable.
        DosError error = UnformattedError();
        if (error.code || (error = CheckSectorRead(DirectoryTrack, BamSector)).code)
            return error;
        const uint8_t* bam = Sector(DirectoryTrack, BamSector);
        keptId.assign(bam + BamDiskId, bam + BamDiskId + 2);
    } else {
        keptId = {id[0], id.size() > 1 ? id[1] : static_cast<uint8_t>(' ')};
        size_t sectorBytes = (Image.tracks == 40 ? 768 : 683) * SectorBytes;
        std::fill(Image.bytes.begin(), Image.bytes.begin() + static_cast<long>(sectorBytes), 0);
        std::fill(Image.bytes.begin() + static_cast<long>(sectorBytes), Image.bytes.end(), 0x01);
    }
    uint8_t* bam = Sector(DirectoryTrack, BamSector);
    uint8_t* first = Sector(DirectoryTrack, FirstDirectorySector);
    std::memset(bam, 0, SectorBytes);
    std::memset(first, 0, SectorBytes);
    bam[0] = DirectoryTrack;
    bam[1] = FirstDirectorySector;
    bam[2] = 'A';
    BamClear(true);
    BamSetFree(DirectoryTrack, BamSector, false);
    BamSetFree(DirectoryTrack, FirstDirectorySector, false);
    Padded(bam + BamDiskName, diskName, MaxNameLength);
    bam[0xA0] = bam[0xA1] = Pad;
    bam[BamDiskId] = keptId[0];
    bam[BamDiskId + 1] = keptId[1];
    bam[0xA4] = Pad;
    bam[BamDosType] = '2';
    bam[BamDosType + 1] = 'A';
    for (size_t i = 0xA7; i <= 0xAA; i++)
        bam[i] = Pad;
    first[1] = 0xFF;
    ClearSectorError(DirectoryTrack, BamSector);
    ClearSectorError(DirectoryTrack, FirstDirectorySector);
    return ImageWriteBack();
}

namespace {

// The sectors each completed file's chains reach (a relative file's side
// sectors too).  Stops at the first chain that can't be followed to its
// end, with the error reading it gives.  A DEL entry on track 0 has no
// chain: it is a line of a listing's lettering, not a file.
DosError CompletedFileSectors(const std::vector<Slot>& slots, std::vector<ChainStep>* steps)
{
    for (const Slot& slot : slots) {
        const uint8_t* e = slot.Bytes();
        if (!InUse(slot) || !(e[EntryType] & TypeClosed) || ((e[EntryType] & 0x07) == FileDel && e[EntryTrack] == 0))
            continue;
        if (DosError error = FollowChain(e[EntryTrack], e[EntrySector], steps, nullptr); error.code)
            return error;
        if ((e[EntryType] & 0x07) == FileRel)
            if (DosError error = FollowChain(e[EntrySideTrack], e[EntrySideSector], steps, nullptr); error.code)
                return error;
    }
    return DosError{};
}

}  // namespace

DosError ImageValidate()
{
    std::vector<Slot> slots;
    std::vector<ChainStep> directory;
    DosError error = DirectorySlots(&slots, &directory);
    if (error.code)
        return error;
    // Every chain is followed before the map is touched: a file whose chain
    // breaks off would otherwise give its remaining sectors away to the next
    // save.  The drive stops at the first broken chain and writes nothing.
    std::vector<ChainStep> used;
    if ((error = CompletedFileSectors(slots, &used)).code)
        return error;
    // The map from scratch: what the directory and its files reach is used,
    // everything else free.  Entries never completed are removed.
    BamClear(true);
    BamSetFree(DirectoryTrack, BamSector, false);
    for (const ChainStep& step : directory)
        BamSetFree(step.track, step.sector, false);
    for (const ChainStep& step : used)
        BamSetFree(step.track, step.sector, false);
    for (const Slot& slot : slots)
        if (InUse(slot) && !(slot.Bytes()[EntryType] & TypeClosed))
            slot.Bytes()[EntryType] = 0;
    return ImageWriteBack();
}

size_t ImageRoomForFile()
{
    return static_cast<size_t>(BamBlocksFree()) * DataBytesPerSector;
}
