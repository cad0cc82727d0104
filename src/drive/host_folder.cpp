// A host folder as the drive's disk: its *.prg files (any case) are PRG
// files and its *.seq files SEQ files, named without the extension.  Only
// regular files that can be read are listed; a named pipe, a directory
// called x.prg or an unreadable file is passed over, and nothing is ever
// opened that could block.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <strings.h>
#include <system_error>

#include "drive/dos.h"
#include "files/safe_save.h"

namespace fs = std::filesystem;

namespace {

// A file of a folder grows at most to this size; more is a full disk.
constexpr size_t FolderFileLimit = 16u << 20;
// Sizes shown in blocks as on a disk: 254 data bytes to a block.
constexpr size_t DataBytesPerFolderBlock = 254;

struct HostFile {
    std::string hostName;
    std::vector<uint8_t> name;   // PETSCII; no other file of the folder has it
    uint8_t type;
    size_t size;
    bool cut;                    // the host name was longer than a drive name
};

// What marks a drive name made distinct: '#' and a number from 2 up.
constexpr uint8_t DistinctMark = '#';

bool HasExtension(const std::string& name, const char* extension)
{
    size_t length = 4;
    return name.size() > length && strcasecmp(name.c_str() + name.size() - length, extension) == 0;
}

const char* Extension(uint8_t type)
{
    return type == FileSeq ? ".seq" : ".prg";
}

std::string InFolder(const std::string& hostName)
{
    return DriveStore.path + "/" + hostName;
}

// Whether the host name is the one a save from the machine gives this
// drive name: such a file keeps the plain name when others share it.
bool SavedUnderItsName(const HostFile& file)
{
    std::string hostName;
    return !file.cut && HostNameFromPetscii(file.name, &hostName) && hostName + Extension(file.type) == file.hostName;
}

// Host names that give the same drive name (cut to 16 characters, letters
// of either case alike) would let one drive name reach two host files.  Of
// each such group one keeps the name: a name that wasn't cut first, then
// the file a save from the machine would have made, then the first host
// name in byte order.  Each other one gets "#2", "#3", ... in that order,
// the name cut short to make room, skipping any name another file already
// has.  The result depends on the folder's names alone, so the same folder
// always gives the same drive names.
void MakeNamesDistinct(std::vector<HostFile>* files)
{
    auto first = [](const HostFile& a, const HostFile& b) {
        std::vector<uint8_t> foldedA = FoldedName(a.name), foldedB = FoldedName(b.name);
        if (foldedA != foldedB)
            return foldedA < foldedB;
        if (a.cut != b.cut)
            return !a.cut;
        if (SavedUnderItsName(a) != SavedUnderItsName(b))
            return SavedUnderItsName(a);
        return a.hostName < b.hostName;
    };
    std::sort(files->begin(), files->end(), first);
    std::set<std::vector<uint8_t>> taken;
    for (const HostFile& file : *files)
        taken.insert(FoldedName(file.name));
    std::vector<uint8_t> shared;
    for (size_t i = 0; i < files->size(); i++) {
        HostFile& file = (*files)[i];
        std::vector<uint8_t> folded = FoldedName(file.name);
        if (i == 0 || folded != shared) {
            shared = folded;
            continue;
        }
        for (unsigned number = 2;; number++) {
            std::string mark = static_cast<char>(DistinctMark) + std::to_string(number);
            std::vector<uint8_t> name = file.name;
            name.resize(std::min(name.size(), MaxNameLength - mark.size()));
            name.insert(name.end(), mark.begin(), mark.end());
            if (taken.insert(FoldedName(name)).second) {
                file.name = name;
                break;
            }
        }
    }
}

// The folder's files in host-name order (a folder keeps no order of its
// own), each with a drive name of its own.
std::vector<HostFile> FolderFiles()
{
    std::vector<HostFile> files;
    std::error_code ec;
    fs::directory_iterator scan(DriveStore.path, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && scan != fs::directory_iterator(); scan.increment(ec)) {
        std::string hostName = scan->path().filename().string();
        uint8_t type;
        if (HasExtension(hostName, ".prg"))
            type = FilePrg;
        else if (HasExtension(hostName, ".seq"))
            type = FileSeq;
        else
            continue;
        struct stat info;
        std::string path = InFolder(hostName);
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || access(path.c_str(), R_OK) != 0)
            continue;
        std::vector<uint8_t> name = PetsciiFromHostName(hostName.substr(0, hostName.size() - 4));
        if (name.empty())
            continue;
        bool cut = name.size() > MaxNameLength;
        if (cut)
            name.resize(MaxNameLength);
        files.push_back({hostName, name, type, static_cast<size_t>(info.st_size), cut});
    }
    MakeNamesDistinct(&files);
    std::sort(files.begin(), files.end(), [](const HostFile& a, const HostFile& b) { return a.hostName < b.hostName; });
    return files;
}

bool FindHostFile(const std::vector<uint8_t>& name, HostFile* found)
{
    for (const HostFile& file : FolderFiles())
        if (SameNameFolded(file.name, name)) {
            *found = file;
            return true;
        }
    return false;
}

// Reads a regular file without ever waiting on it: opened non-blocking and
// checked once more after opening, in case it changed since the listing.
bool ReadHostFile(const std::string& path, std::vector<uint8_t>* bytes)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<size_t>(info.st_size) > FolderFileLimit) {
        close(fd);
        return false;
    }
    bytes->clear();
    uint8_t buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || bytes->size() + static_cast<size_t>(got) > FolderFileLimit) {
            close(fd);
            return got == 0;
        }
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
}

}  // namespace

DosError FolderReadDirectory(StoredDirectory* directory)
{
    *directory = StoredDirectory{};
    std::string folderName = fs::path(DriveStore.path).filename().string();
    if (folderName.empty())
        folderName = fs::path(DriveStore.path).parent_path().filename().string();
    directory->diskName = PetsciiFromHostName(folderName);
    if (directory->diskName.size() > MaxNameLength)
        directory->diskName.resize(MaxNameLength);
    directory->diskId = {'0', '0'};
    directory->dosType = {'2', 'A'};
    directory->headerRead = true;
    for (const HostFile& file : FolderFiles()) {
        StoredFile stored;
        stored.name = file.name;
        stored.type = file.type;
        size_t blocks = (file.size + DataBytesPerFolderBlock - 1) / DataBytesPerFolderBlock;
        stored.blocks = static_cast<uint16_t>(std::min<size_t>(blocks, 0xFFFF));
        directory->files.push_back(stored);
    }
    struct statvfs space;
    if (statvfs(DriveStore.path.c_str(), &space) == 0) {
        unsigned long long bytes = static_cast<unsigned long long>(space.f_bavail) * space.f_frsize;
        directory->blocksFree = static_cast<uint16_t>(std::min<unsigned long long>(bytes / DataBytesPerFolderBlock, 0xFFFF));
    }
    return DosError{};
}

DosError FolderReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes)
{
    HostFile file;
    if (!FindHostFile(name, &file))
        return DosError{DosFileNotFound, 0, 0};
    if (!ReadHostFile(InFolder(file.hostName), bytes))
        return DosError{DosReadError, 0, 0};
    return DosError{};
}

DosError FolderWriteFile(const std::vector<uint8_t>& name, uint8_t type, const std::vector<uint8_t>& bytes,
                         bool replace)
{
    if (type != FilePrg && type != FileSeq)
        return DosError{DosFileTypeMismatch, 0, 0};
    std::string hostName;
    if (!HostNameFromPetscii(name, &hostName))
        return DosError{DosSyntaxBadName, 0, 0};
    hostName += Extension(type);
    HostFile old;
    bool exists = FindHostFile(name, &old);
    if (exists && !replace)
        return DosError{DosFileExists, 0, 0};
    // A file replaced keeps its host name when the type stays.
    if (exists && old.type == type)
        hostName = old.hostName;
    // The host name may be another file's (a directory of that name, or the
    // file that shares this drive name under a suffix): never written over.
    std::string path = InFolder(hostName);
    struct stat info;
    if ((!exists || hostName != old.hostName) && lstat(path.c_str(), &info) == 0)
        return DosError{DosFileExists, 0, 0};
    if (!SaveFileReplacing(path.c_str(), bytes.data(), bytes.size()))
        return DosError{DosWriteError, 0, 0};
    if (exists && old.hostName != hostName)
        unlink(InFolder(old.hostName).c_str());
    return DosError{};
}

DosError FolderScratch(const std::vector<std::vector<uint8_t>>& names, uint8_t* scratched)
{
    // The host files by the names as they stand now; removing one may give
    // another file's drive name a different suffix.
    std::vector<HostFile> chosen;
    for (const std::vector<uint8_t>& name : names) {
        HostFile file;
        if (!FindHostFile(name, &file))
            return DosError{DosFileNotFound, 0, 0};
        chosen.push_back(file);
    }
    for (const HostFile& file : chosen) {
        if (unlink(InFolder(file.hostName).c_str()) != 0)
            return DosError{DosWriteError, 0, 0};
        ++*scratched;
    }
    return DosError{};
}

DosError FolderRename(const std::vector<uint8_t>& from, const std::vector<uint8_t>& to)
{
    HostFile file, other;
    if (FindHostFile(to, &other))
        return DosError{DosFileExists, 0, 0};
    if (!FindHostFile(from, &file))
        return DosError{DosFileNotFound, 0, 0};
    std::string hostName;
    if (!HostNameFromPetscii(to, &hostName))
        return DosError{DosSyntaxBadName, 0, 0};
    hostName += file.hostName.substr(file.hostName.size() - 4);
    std::string target = InFolder(hostName);
    struct stat info;
    if (lstat(target.c_str(), &info) == 0)
        return DosError{DosFileExists, 0, 0};
    if (rename(InFolder(file.hostName).c_str(), target.c_str()) != 0)
        return DosError{DosWriteError, 0, 0};
    return DosError{};
}

size_t FolderRoomForFile()
{
    return FolderFileLimit;
}
