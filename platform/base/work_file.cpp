#include "platform/base/work_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kel {
namespace {

int lockFile(int fd, int operation) {
    int locked = 0;
    do {
        locked = ::flock(fd, operation);
    } while (locked != 0 && errno == EINTR);
    return locked;
}

// Whether `path` still names the open file `fd`.
bool namesFile(int fd, const std::filesystem::path& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

bool HoldWorkFile(std::FILE* file, const std::filesystem::path& path) {
    const int fd = ::fileno(file);
    if (fd < 0) {
        return false;
    }
    // Where the file system keeps no locks, no clean-up can take the file
    // either: it is used unheld.
    lockFile(fd, LOCK_EX);
    return namesFile(fd, path);
}

bool RemoveWorkFileIfAbandoned(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    // Held locks make the attempt fail at once; a file whose maker has not
    // locked it yet finds itself gone and makes another.
    const bool removed = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                         lockFile(fd, LOCK_EX | LOCK_NB) == 0 && namesFile(fd, path) &&
                         ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

}  // namespace kel
