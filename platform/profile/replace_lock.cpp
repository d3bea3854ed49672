#include "replace_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kel::profile {

ReplaceLock::ReplaceLock(const std::filesystem::path& file, unsigned newFileMode) {
    while (true) {
        int fd = ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, newFileMode);
        if (fd < 0) {
            error_ = {errno, std::generic_category()};
            return;
        }
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            error_ = {errno, std::generic_category()};
            ::close(fd);
            return;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) != 0 || (::stat(file.c_str(), &named) != 0 && errno != ENOENT)) {
            error_ = {errno, std::generic_category()};
            ::close(fd);
            return;
        }
        if (held.st_nlink > 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            fd_ = fd;
            return;
        }
        ::close(fd);  // replaced or moved while we waited: lock what is there now
    }
}

ReplaceLock::~ReplaceLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

}  // namespace kel::profile
