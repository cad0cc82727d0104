#include "files/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

namespace {

long InjectedWriteLimit = -1;
std::string FailureReason;

// As many links as the kernel itself follows in one path.
constexpr int MaxLinksFollowed = 40;

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The temporary file's name: hidden, in the target's directory (a rename
// within one filesystem is atomic), with a suffix that mkstemp fills in.
std::string TemporaryTemplate(const std::string& target)
{
    std::string directory = FolderOf(target);
    std::string base = target.substr(directory.size());
    if (base.size() > 200)
        base.resize(200);   // leave room for the suffix within NAME_MAX
    return directory + "." + base + ".XXXXXX";
}

// Keeps the permissions of the file being replaced; a new file gets the
// usual 0666 less the umask.
mode_t ModeForTarget(const struct stat* existing)
{
    if (existing)
        return existing->st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Cuts the temporary file short as a full disk would have.
bool ApplyInjectedFailure(const char* temporary)
{
    long limit = InjectedWriteLimit;
    InjectedWriteLimit = -1;
    struct stat info;
    if (stat(temporary, &info) == 0 && info.st_size > limit)
        (void)truncate(temporary, limit);
    errno = ENOSPC;
    return false;
}

bool SyncFile(const char* name)
{
    int fd = open(name, O_RDONLY);
    if (fd < 0)
        return false;
    bool ok = fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

bool WriteAll(const char* name, const uint8_t* data, size_t size)
{
    int fd = open(name, O_WRONLY | O_TRUNC);
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        ssize_t written = write(fd, data + done, size - done);
        if (written >= 0)
            done += static_cast<size_t>(written);
        else
            ok = errno == EINTR;
    }
    return close(fd) == 0 && ok;
}

// What stands in the way of replacing target, or "" when nothing does.
std::string Obstacle(const std::string& target, const struct stat* existing)
{
    if (target.empty())
        return "no file name was given";
    if (target.back() == '/')
        return "the name is a folder's";
    if (!existing)
        return "";
    if (S_ISDIR(existing->st_mode))
        return "it is a folder";
    if (!S_ISREG(existing->st_mode))
        return "it is not a regular file";
    if (access(target.c_str(), W_OK) != 0)
        return "it is write-protected";
    return "";
}

bool Failed(std::string reason)
{
    FailureReason = std::move(reason);
    InjectedWriteLimit = -1;
    return false;
}

bool FailedWithErrno(int error, const char* otherwise)
{
    return Failed(error != 0 ? std::strerror(error) : otherwise);
}

}  // namespace

bool SaveTargetOf(const std::string& fileName, std::string* target, std::string* why)
{
    std::string path = fileName;
    for (int followed = 0;; followed++) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) {
            if (errno == ELOOP) {
                *why = "its symbolic links go round in a loop";
                return false;
            }
            if (followed > 0 && (errno == ENOENT || errno == ENOTDIR)) {
                *why = "it is a symbolic link to " + path + ", which does not exist";
                return false;
            }
            break;   // a new file, or a folder that is missing: the save says so
        }
        if (!S_ISLNK(info.st_mode))
            break;
        if (followed == MaxLinksFollowed) {
            *why = "its symbolic links go round in a loop";
            return false;
        }
        char link[PATH_MAX];
        ssize_t length = readlink(path.c_str(), link, sizeof link);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof link) {
            *why = "its symbolic link cannot be read";
            return false;
        }
        std::string next(link, static_cast<size_t>(length));
        path = next[0] == '/' ? next : FolderOf(path) + next;
    }
    *target = path;
    return true;
}

const std::string& SaveFailureReason()
{
    return FailureReason;
}

void InjectSaveWriteFailure(long bytes)
{
    InjectedWriteLimit = bytes;
}

bool SaveFileReplacingVia(const char* fileName, const std::function<bool(const char* temporaryName)>& write)
{
    std::string target, why;
    if (!SaveTargetOf(fileName ? fileName : "", &target, &why))
        return Failed(why);
    struct stat info;
    bool exists = !target.empty() && stat(target.c_str(), &info) == 0;
    std::string obstacle = Obstacle(target, exists ? &info : nullptr);
    if (!obstacle.empty())
        return Failed(obstacle);
    std::string temporary = TemporaryTemplate(target);
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return FailedWithErrno(errno, "no temporary file can be made beside it");
    // The new file keeps the earlier one's owner where we may give it away
    // (the superuser may; anyone may keep a group they belong to).
    if (exists && fchown(fd, info.st_uid, info.st_gid) != 0) {
        // It stays ours, as a new file would be.
    }
    fchmod(fd, ModeForTarget(exists ? &info : nullptr));
    close(fd);
    errno = 0;
    bool ok = write(temporary.c_str());
    if (ok && InjectedWriteLimit >= 0)
        ok = ApplyInjectedFailure(temporary.c_str());
    ok = ok && SyncFile(temporary.c_str()) && rename(temporary.c_str(), target.c_str()) == 0;
    int error = errno;
    if (!ok) {
        unlink(temporary.c_str());
        return FailedWithErrno(error, "it could not be written in full");
    }
    InjectedWriteLimit = -1;
    FailureReason.clear();
    return true;
}

bool SaveFileReplacing(const char* fileName, const uint8_t* data, size_t size)
{
    if (size > 0 && !data)
        return Failed("there is nothing to write");
    return SaveFileReplacingVia(fileName, [&](const char* temporary) { return WriteAll(temporary, data, size); });
}
