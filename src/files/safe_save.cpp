#include "files/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
mode_t ModeForTarget(const char* target)
{
    struct stat info;
    if (stat(target, &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    size_t limit = size;
    bool injected = InjectedWriteLimit >= 0;
    if (injected) {
        limit = std::min(size, static_cast<size_t>(InjectedWriteLimit));
        InjectedWriteLimit = -1;
    }
    size_t done = 0;
    while (done < limit) {
        ssize_t written = write(fd, data + done, limit - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return !injected;
}

}  // namespace

void InjectSaveWriteFailure(long bytes)
{
    InjectedWriteLimit = bytes;
}

bool SaveFileReplacing(const char* fileName, const uint8_t* data, size_t size)
{
    if (!fileName || !*fileName || (size > 0 && !data)) {
        InjectedWriteLimit = -1;
        return false;
    }
    std::string target = fileName;
    if (target.back() == '/') {
        InjectedWriteLimit = -1;
        return false;
    }
    // A file the user may not write (read-only) is not replaced either.
    if (access(fileName, F_OK) == 0 && access(fileName, W_OK) != 0) {
        InjectedWriteLimit = -1;
        return false;
    }
    std::string temporary = TemporaryTemplate(target);
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        InjectedWriteLimit = -1;
        return false;
    }
    fchmod(fd, ModeForTarget(fileName));
    bool ok = WriteAll(fd, data, size);
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temporary.c_str(), fileName) == 0;
    if (!ok)
        unlink(temporary.c_str());
    return ok;
}
