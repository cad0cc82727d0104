// What is attached as drive 8, and the one set of store functions the DOS
// uses whichever it is: a D64 image in memory or a host folder.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "drive/d64_image.h"
#include "drive/hardware_drive.h"
#include "files/safe_save.h"

DriveStoreState DriveStore;

// The image's and the folder's own functions (d64_files.cpp, host_folder.cpp).
DosError ImageReadDirectory(StoredDirectory* directory);
DosError ImageReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes);
DosError ImageWriteFile(const std::vector<uint8_t>& name, uint8_t type, const std::vector<uint8_t>& bytes, bool replace);
DosError ImageScratch(const std::vector<uint8_t>& name);
DosError ImageRename(const std::vector<uint8_t>& from, const std::vector<uint8_t>& to);
DosError ImageFormat(const std::vector<uint8_t>& diskName, const std::vector<uint8_t>& id);
DosError ImageValidate();
size_t ImageRoomForFile();
DosError FolderReadDirectory(StoredDirectory* directory);
DosError FolderReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes);
DosError FolderWriteFile(const std::vector<uint8_t>& name, uint8_t type, const std::vector<uint8_t>& bytes, bool replace);
DosError FolderScratch(const std::vector<std::vector<uint8_t>>& names, uint8_t* scratched);
DosError FolderRename(const std::vector<uint8_t>& from, const std::vector<uint8_t>& to);
size_t FolderRoomForFile();

namespace {

constexpr DosError NotReady{DosDriveNotReady, 0, 0};

// The path as given for a disk in the hardware drive.
std::string HardwareDriveGivenPath;

bool IsG64File(const std::string& path)
{
    char signature[8] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(signature, sizeof signature) && std::equal(signature, signature + 8, "GCR-1541");
}

void DetachStore()
{
    if (StoreAttached())
        CloseDataChannels(true);
    DriveStore = DriveStoreState{};
    Image = D64Image{};
}

bool IsImage()
{
    return DriveStore.kind == StoreKind::Image;
}

// Writable for us and marked writable for anyone: a file or folder without
// any write permission is write-protected even for the superuser, as the
// tab on a disk's notch would be.
bool Writable(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
}

}  // namespace

// Reads a whole regular file of at most `limit` bytes without blocking.
bool ReadImageFile(const std::string& path, size_t limit, std::vector<uint8_t>* bytes, std::string* message)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *message = "can't read " + path;
        return false;
    }
    if (static_cast<size_t>(info.st_size) > limit) {
        *message = "not a D64 image: " + std::to_string(info.st_size) + " bytes";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *message = "can't read " + path;
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// An image is written back by a new file renamed over the file its name
// leads to (through any symbolic links): both that file and its folder must
// be writable.
bool ImageWritable(const std::string& path)
{
    std::string target, why;
    if (!SaveTargetOf(path, &target, &why))
        return false;
    std::string folder = std::filesystem::path(target).parent_path().string();
    if (folder.empty())
        folder = ".";
    return Writable(target) && Writable(folder);
}

bool DriveAttach(const std::string& path, std::string* message)
{
    std::string ignored;
    if (!message)
        message = &ignored;
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec || path.empty()) {
        DriveDetach();
        *message = "can't find " + path;
        return false;
    }
    if (HardwareDriveWanted(absolute)) {
        // A disk image for the 1541; the built-in drive leaves the bus.
        DetachStore();
        if (!HardwareDriveInsert(absolute, message)) {
            HardwareDriveSwitchOff();
            return false;
        }
        HardwareDriveGivenPath = path;
        message->clear();
        return true;
    }
    DriveDetach();
    if (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    if (std::filesystem::is_directory(absolute, ec)) {
        if (access(absolute.c_str(), R_OK | X_OK) != 0) {
            *message = "can't read the folder " + path;
            return false;
        }
        DriveStore = {StoreKind::Folder, absolute, path, !Writable(absolute)};
    } else {
        std::vector<uint8_t> bytes;
        if (IsG64File(absolute)) {
            *message = "a G64 image needs the 1541: dos1541.bin beside the system ROMs and Drive8=1";
            return false;
        }
        if (!ReadImageFile(absolute, D64Bytes40Errors, &bytes, message))
            return false;
        size_t size = bytes.size();
        if (!ImageFromBytes(std::move(bytes))) {
            *message = "not a D64 image: " + std::to_string(size) + " bytes";
            return false;
        }
        DriveStore = {StoreKind::Image, absolute, path, !ImageWritable(absolute)};
    }
    message->clear();
    SetDriveError(DosOk);
    return true;
}

void DriveDetach()
{
    DetachStore();
    HardwareDriveSwitchOff();
    HardwareDriveGivenPath.clear();
}

bool StoreAttached()
{
    return DriveStore.kind != StoreKind::None;
}

bool DriveAttached()
{
    return StoreAttached() || HardwareDriveHasDisk();
}

bool DriveWriteProtected()
{
    return HardwareDriveHasDisk() ? HardwareDriveWriteProtected() : DriveStore.writeProtected;
}

bool DriveTabSwitchable() { return HardwareDriveHasDisk(); }

void SetDriveWriteProtected(bool on) { SetHardwareDriveWriteProtected(on); }

const std::string& DriveAttachedPath()
{
    return HardwareDriveHasDisk() ? HardwareDriveGivenPath : DriveStore.givenPath;
}

DosError StoreReadDirectory(StoredDirectory* directory)
{
    if (!StoreAttached())
        return NotReady;
    return IsImage() ? ImageReadDirectory(directory) : FolderReadDirectory(directory);
}

DosError StoreReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes)
{
    if (!StoreAttached())
        return NotReady;
    return IsImage() ? ImageReadFile(name, bytes) : FolderReadFile(name, bytes);
}

DosError StoreWriteFile(const std::vector<uint8_t>& name, uint8_t type, const std::vector<uint8_t>& bytes,
                        bool replace)
{
    if (!StoreAttached())
        return NotReady;
    if (DriveStore.writeProtected)
        return DosError{DosWriteProtectOn, 0, 0};
    return IsImage() ? ImageWriteFile(name, type, bytes, replace) : FolderWriteFile(name, type, bytes, replace);
}

DosError StoreScratch(const std::vector<std::vector<uint8_t>>& names, uint8_t* scratched)
{
    *scratched = 0;
    if (!StoreAttached())
        return NotReady;
    if (DriveStore.writeProtected)
        return DosError{DosWriteProtectOn, 0, 0};
    if (!IsImage())
        return FolderScratch(names, scratched);
    for (const std::vector<uint8_t>& name : names) {
        if (DosError error = ImageScratch(name); error.code)
            return error;
        ++*scratched;
    }
    return DosError{};
}

DosError StoreRename(const std::vector<uint8_t>& from, const std::vector<uint8_t>& to)
{
    if (!StoreAttached())
        return NotReady;
    if (DriveStore.writeProtected)
        return DosError{DosWriteProtectOn, 0, 0};
    return IsImage() ? ImageRename(from, to) : FolderRename(from, to);
}

DosError StoreFormat(const std::vector<uint8_t>& diskName, const std::vector<uint8_t>& id)
{
    if (!StoreAttached())
        return NotReady;
    if (DriveStore.writeProtected)
        return DosError{DosWriteProtectOn, 0, 0};
    // A host folder is not wiped: its files are the user's own.
    if (!IsImage())
        return DosError{DosSyntaxUnknownCommand, 0, 0};
    return ImageFormat(diskName, id);
}

DosError StoreValidate()
{
    if (!StoreAttached())
        return NotReady;
    if (!IsImage())
        return DosError{};   // a folder's space is the host's to keep
    if (DriveStore.writeProtected)
        return DosError{DosWriteProtectOn, 0, 0};
    return ImageValidate();
}

size_t StoreRoomForFile()
{
    if (!StoreAttached() || DriveStore.writeProtected)
        return 0;
    return IsImage() ? ImageRoomForFile() : FolderRoomForFile();
}
