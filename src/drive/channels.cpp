// The drive's channels, one per secondary address: 0 loads, 1 saves, 2-14
// are data files read or written with OPEN/PRINT#/INPUT#/GET#, 15 carries
// commands one way and the error channel the other.  A file read is taken
// whole when its channel opens; a file written collects on its channel and
// reaches the disk when the channel closes, so that a full disk or a reset
// part-way never leaves half a file behind.
#include <algorithm>

#include "drive/d64_image.h"
#include "drive/dos.h"
#include "drive/hardware_drive.h"

namespace {

constexpr uint8_t CommandChannel = 15;
constexpr uint8_t LoadChannel = 0;
constexpr uint8_t SaveChannel = 1;
constexpr uint8_t ChannelCount = 16;
// The longest command line the drive takes.
constexpr size_t CommandLimit = 58;

struct DriveChannel {
    bool open = false;
    bool writing = false;
    bool failed = false;       // the disk filled up while writing
    std::vector<uint8_t> data;
    size_t position = 0;       // next byte to send
    size_t room = 0;           // bytes the file may grow to
    std::vector<uint8_t> name;
    uint8_t type = FilePrg;
    bool replace = false;
};

struct DriveChannels {
    DriveChannel channels[ChannelCount];
    std::vector<uint8_t> command;
};
DriveChannels Channels;

// The first file the pattern names: a completed one of the given type (any
// type for 0xFF).  "*" alone on the load channel means the first program.
bool FindFile(const StoredDirectory& directory, const std::vector<uint8_t>& pattern, uint8_t type,
              StoredFile* found)
{
    for (const StoredFile& file : directory.files) {
        if (!file.closed || file.type == FileDel || (type != 0xFF && file.type != type))
            continue;
        bool match = DriveStore.kind == StoreKind::Folder ? NameMatches(pattern, file.name) ||
                                                                SameNameFolded(pattern, file.name)
                                                          : NameMatches(pattern, file.name);
        if (match) {
            *found = file;
            return true;
        }
    }
    return false;
}

// Why a name with a type found nothing: the file is there but of another
// type ("NAME,S,R" on a program), or not there at all.
DosError NotFoundError(const StoredDirectory& directory, const ParsedName& parsed)
{
    StoredFile other;
    if (parsed.type != 0xFF && FindFile(directory, parsed.name, 0xFF, &other))
        return DosError{DosFileTypeMismatch, 0, 0};
    return DosError{DosFileNotFound, 0, 0};
}

bool FileExists(const StoredDirectory& directory, const std::vector<uint8_t>& name)
{
    for (const StoredFile& file : directory.files)
        if (DriveStore.kind == StoreKind::Folder ? SameNameFolded(file.name, name) : file.name == name)
            return true;
    return false;
}

void OpenForReading(DriveChannel& channel, uint8_t number, const ParsedName& parsed)
{
    StoredDirectory directory;
    DosError error = StoreReadDirectory(&directory);
    if (parsed.directory) {
        // A damaged directory lists what could be read and reports why it
        // stopped; a disk whose header can't be read (never formatted, or
        // its BAM sector bad) lists nothing, as a drive sends nothing.
        if (!directory.headerRead)
            return SetDriveError(error);
        channel.data = DirectoryProgram(directory, parsed.name);
        channel.open = true;
        return SetDriveError(error);
    }
    if (uint8_t syntax = CheckName(parsed.name, true))
        return SetDriveError(syntax);
    uint8_t type = parsed.type;
    if (type == 0xFF && number == LoadChannel && parsed.name == std::vector<uint8_t>{'*'})
        type = FilePrg;
    StoredFile file;
    if (!FindFile(directory, parsed.name, type, &file))
        return SetDriveError(error.code ? error : NotFoundError(directory, parsed));
    // A chain that breaks off gives the bytes before the break, then ends
    // with the error.
    error = StoreReadFile(file.name, &channel.data);
    channel.open = error.code != DosFileNotFound;
    if (number == LoadChannel && !error.code && channel.data.size() < 2) {
        // LOAD takes the first two bytes as the load address: a file without
        // them (an empty host file) can't be loaded, so it reads as an
        // unreadable file rather than as a missing one with "00, OK".
        channel.open = false;
        channel.data.clear();
        error = DosError{DosReadError, 0, 0};
    }
    SetDriveError(error);
}

void OpenForWriting(DriveChannel& channel, uint8_t number, const ParsedName& parsed)
{
    if (uint8_t syntax = CheckName(parsed.name, false))
        return SetDriveError(syntax);
    if (DriveStore.writeProtected)
        return SetDriveError(DosWriteProtectOn);
    if (NameBeingWritten(parsed.name))
        return SetDriveError(DosWriteFileOpen);
    StoredDirectory directory;
    DosError error = StoreReadDirectory(&directory);
    if (error.code)
        return SetDriveError(error);
    channel.type = parsed.type != 0xFF ? parsed.type : number == SaveChannel ? FilePrg : FileSeq;
    if (channel.type == FileRel)
        return SetDriveError(DosFileTypeMismatch);
    channel.replace = parsed.replace;
    bool exists = FileExists(directory, parsed.name);
    if (parsed.mode == 'A') {
        // Appending: the file's bytes so far, then what is written now.
        StoredFile file;
        if (!FindFile(directory, parsed.name, parsed.type, &file))
            return SetDriveError(NotFoundError(directory, parsed));
        if ((error = StoreReadFile(file.name, &channel.data)).code)
            return SetDriveError(error);
        channel.type = file.type;
        channel.replace = true;
    } else if (exists && !parsed.replace) {
        return SetDriveError(DosFileExists);
    }
    channel.name = parsed.name;
    channel.writing = true;
    channel.open = true;
    channel.room = StoreRoomForFile();
    SetDriveError(DosOk);
}

}  // namespace

void DriveOpen(uint8_t channelNumber, const uint8_t* name, size_t length)
{
    uint8_t number = channelNumber & 0x0F;
    if (number == CommandChannel) {
        Channels.channels[number].open = true;
        if (length > 0)
            RunDriveCommand(std::vector<uint8_t>(name, name + length));
        return;
    }
    // Opening a channel that is open closes the earlier file first.
    if (Channels.channels[number].open)
        DriveClose(number);
    DriveChannel& channel = Channels.channels[number];
    channel = DriveChannel{};
    if (!StoreAttached())
        return SetDriveError(DosDriveNotReady);
    ParsedName parsed;
    uint8_t error;
    if (!ParseOpenName(name, length, &parsed, &error))
        return SetDriveError(error);
    if (!parsed.directory && parsed.name.size() > 0 && parsed.name[0] == '#')
        return SetDriveError(DosNoChannel);   // direct buffer access: not offered
    bool writing = !parsed.directory && (number == SaveChannel || parsed.mode == 'W' || parsed.mode == 'A');
    if (writing)
        OpenForWriting(channel, number, parsed);
    else
        OpenForReading(channel, number, parsed);
}

void DriveClose(uint8_t channelNumber)
{
    uint8_t number = channelNumber & 0x0F;
    if (number == CommandChannel) {
        // Closing the command channel closes every file on the drive.
        CloseDataChannels(true);
        Channels.channels[number] = DriveChannel{};
        Channels.command.clear();
        return;
    }
    DriveChannel channel = std::move(Channels.channels[number]);
    Channels.channels[number] = DriveChannel{};
    if (channel.open && channel.writing && !channel.failed)
        SetDriveError(StoreWriteFile(channel.name, channel.type, channel.data, channel.replace));
}

void DriveListenByte(uint8_t channelNumber, uint8_t byte)
{
    uint8_t number = channelNumber & 0x0F;
    if (number == CommandChannel) {
        // One byte past the limit is enough to know the line is too long.
        if (Channels.command.size() <= CommandLimit)
            Channels.command.push_back(byte);
        return;
    }
    DriveChannel& channel = Channels.channels[number];
    // Bytes for a channel whose OPEN failed are dropped; the error channel
    // keeps saying why it failed.
    if (!channel.open || !channel.writing || channel.failed)
        return;
    if (channel.data.size() >= channel.room) {
        // The file no longer fits: nothing of it will be written.
        channel.failed = true;
        channel.data.clear();
        return SetDriveError(DosDiskFull);
    }
    channel.data.push_back(byte);
}

void DriveEndListen(uint8_t channelNumber)
{
    if ((channelNumber & 0x0F) != CommandChannel || Channels.command.empty())
        return;
    std::vector<uint8_t> command = std::move(Channels.command);
    Channels.command.clear();
    RunDriveCommand(command);
}

bool DriveTalkByte(uint8_t channelNumber, uint8_t* byte, bool* last)
{
    uint8_t number = channelNumber & 0x0F;
    if (number == CommandChannel)
        return ErrorChannelTalkByte(byte, last);
    DriveChannel& channel = Channels.channels[number];
    if (!channel.open || channel.writing || channel.position >= channel.data.size())
        return false;
    *byte = channel.data[channel.position++];
    *last = channel.position == channel.data.size();
    return true;
}

void DriveReset()
{
    CloseDataChannels(false);
    Channels = DriveChannels{};
    SetDriveError(DosVersion);
}

void CloseDataChannels(bool complete)
{
    for (uint8_t number = 0; number < CommandChannel; number++) {
        if (complete && Channels.channels[number].open)
            DriveClose(number);
        Channels.channels[number] = DriveChannel{};
    }
}

bool NameBeingWritten(const std::vector<uint8_t>& name)
{
    for (const DriveChannel& channel : Channels.channels)
        if (channel.open && channel.writing && channel.name == name)
            return true;
    return false;
}

namespace {

// The menus read a disk in the hardware drive through the store: its
// tracks decoded into an image the store holds while they look.
struct StoreLookingAtHardwareDisk {
    DriveStoreState store;
    D64Image image;
    bool swapped = false;
};

void LookAtHardwareDisk(StoreLookingAtHardwareDisk& saved)
{
    std::vector<uint8_t> bytes;
    if (StoreAttached() || !HardwareDriveDiskAsD64(&bytes))
        return;
    saved.store = DriveStore;
    saved.image = std::move(Image);
    saved.swapped = true;
    if (ImageFromBytes(std::move(bytes)))
        DriveStore = {StoreKind::Image, "", "", true};
}

void StopLookingAtHardwareDisk(StoreLookingAtHardwareDisk& saved)
{
    if (!saved.swapped)
        return;
    DriveStore = saved.store;
    Image = std::move(saved.image);
}

}  // namespace

bool DriveReadDirectory(DriveDirectory* directory)
{
    StoredDirectory stored;
    StoreLookingAtHardwareDisk saved;
    LookAtHardwareDisk(saved);
    const DosError error = StoreReadDirectory(&stored);
    StopLookingAtHardwareDisk(saved);
    if (error.code)
        return false;
    *directory = DriveDirectory{};
    directory->diskName = stored.diskName;
    directory->diskId = stored.diskId;
    directory->dosType = stored.dosType;
    directory->blocksFree = stored.blocksFree;
    for (const StoredFile& file : stored.files)
        directory->entries.push_back({file.name, file.blocks, FileTypeName(file.type)});
    return true;
}

bool DriveReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes, std::string* problem)
{
    std::vector<uint8_t> read;
    StoreLookingAtHardwareDisk saved;
    LookAtHardwareDisk(saved);
    const DosError error = StoreReadFile(name, &read);
    StopLookingAtHardwareDisk(saved);
    if (error.code) {
        if (problem)
            *problem = DriveErrorMessage(error);
        return false;
    }
    *bytes = std::move(read);
    return true;
}
