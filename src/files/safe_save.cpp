#include "files/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

long InjectedWriteLimit = -1;

// The temporary file's name: hidden, in the target's directory (a rename
// within one filesystem is atomic), with a suffix that mkstemp fills in.
std::string TemporaryTemplate(const std::string& target)
{
    size_t slash = target.find_last_of('/');
    std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
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

}  // namespace

void InjectSaveWriteFailure(long bytes)
{
    InjectedWriteLimit = bytes;
}

bool SaveFileReplacingVia(const char* fileName, const std::function<bool(const char* temporaryName)>& write)
{
    std::string target = fileName ? fileName : "";
    struct stat info;
    bool exists = !target.empty() && stat(fileName, &info) == 0;
    if (target.empty() || target.back() == '/' || (exists && (!S_ISREG(info.st_mode) || access(fileName, W_OK) != 0))) {
        InjectedWriteLimit = -1;
        return false;
    }
    std::string temporary = TemporaryTemplate(target);
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        InjectedWriteLimit = -1;
        return false;
    }
    fchmod(fd, ModeForTarget(exists ? &info : nullptr));
    close(fd);
    bool ok = write(temporary.c_str());
    if (ok && InjectedWriteLimit >= 0)
        ok = ApplyInjectedFailure(temporary.c_str());
    ok = ok && SyncFile(temporary.c_str()) && rename(temporary.c_str(), fileName) == 0;
    if (!ok)
        unlink(temporary.c_str());
    InjectedWriteLimit = -1;
    return ok;
}

bool SaveFileReplacing(const char* fileName, const uint8_t* data, size_t size)
{
    if (size > 0 && !data)
        return false;
    return SaveFileReplacingVia(fileName, [&](const char* temporary) { return WriteAll(temporary, data, size); });
}
