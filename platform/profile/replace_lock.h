// An exclusive lock for read-modify-write of a file that is only ever changed
// by replacing it whole (replaceWholeFile), shared by every process.
//
// flock() locks an inode, and each replacement gives the path a new inode: a
// waiter that wakes up holding the lock of the inode just replaced would be
// alone on a file nobody reads any more. So after locking, the path is
// checked to still name the locked inode, and if not, the lock is let go and
// taken again on the new one.
#pragma once

#include <filesystem>
#include <system_error>

namespace kel::profile {

class ReplaceLock {
public:
    // Blocks until the lock is held. A missing file is created empty (with
    // `newFileMode`) so that there is something to lock; its folder must exist.
    ReplaceLock(const std::filesystem::path& file, unsigned newFileMode);
    ReplaceLock(const ReplaceLock&) = delete;
    ReplaceLock& operator=(const ReplaceLock&) = delete;
    ~ReplaceLock();

    bool held() const { return fd_ >= 0; }
    // Why the lock is not held.
    std::error_code error() const { return error_; }

private:
    int fd_ = -1;
    std::error_code error_;
};

}  // namespace kel::profile
