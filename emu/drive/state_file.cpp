#include "emu/drive/state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/paths.h"

namespace kel::emu {

namespace {

// FNV-1a: a stable name for a path of any length.
std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 0x100000001b3ULL;
    }
    return hash;
}

std::string systemError(const std::filesystem::path& file, const char* what) {
    return file.string() + ": " + what + ": " + std::strerror(errno);
}

// Holds a flock for one scope.
class FileLock {
public:
    FileLock(int fd, int operation) : fd_(fd) {
        int rc = 0;
        do {
            rc = ::flock(fd_, operation);
        } while (rc != 0 && errno == EINTR);
        locked_ = rc == 0;
    }
    ~FileLock() {
        if (locked_) {
            ::flock(fd_, LOCK_UN);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

}  // namespace

std::filesystem::path StateFile::pathFor(const std::filesystem::path& source) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(source, ec);
    if (ec) {
        canonical = std::filesystem::absolute(source, ec);
    }
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(fnv1a(canonical.string())));
    std::string stem = canonical.filename().string().substr(0, 64);
    return paths::runtimeDir() / ("emu-" + stem + "-" + hash + ".state");
}

std::optional<StateFile> StateFile::open(const std::filesystem::path& file, std::string& error) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = systemError(file, "cannot open the drive state");
        return std::nullopt;
    }
    return StateFile(fd, file);
}

StateFile::StateFile(StateFile&& other) noexcept
    : fd_(other.fd_),
      file_(std::move(other.file_)),
      cachedText_(std::move(other.cachedText_)),
      cachedState_(std::move(other.cachedState_)) {
    other.fd_ = -1;
}

StateFile::~StateFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<std::string> StateFile::readAll(std::string& text) {
    text.clear();
    char chunk[4096];
    for (off_t offset = 0;;) {
        ssize_t got = ::pread(fd_, chunk, sizeof chunk, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return systemError(file_, "cannot read the drive state");
        }
        if (got == 0) {
            return std::nullopt;
        }
        text.append(chunk, static_cast<std::size_t>(got));
        offset += got;
        if (static_cast<std::size_t>(got) < sizeof chunk) {
            return std::nullopt;  // a short read of a regular file is its end
        }
        if (text.size() > (1u << 20)) {
            return file_.string() + ": the drive state is implausibly large";
        }
    }
}

std::optional<std::string> StateFile::transact(const DriveState& fresh,
                                               const std::function<void(DriveState&)>& change) {
    FileLock lock(fd_, LOCK_EX);
    if (!lock.locked()) {
        return systemError(file_, "cannot lock the drive state");
    }
    std::string before;
    if (auto error = readAll(before)) {
        return error;
    }
    DriveState state = parse(before, fresh);
    change(state);
    // parse() left the state as the file holds it in the cache.
    if (!before.empty() && state == cachedState_) {
        return std::nullopt;
    }
    const std::string after = serialiseState(state);
    // Other processes read only under the lock, so rewriting in place is safe;
    // the length is cut after the write so a shorter text leaves no tail.
    for (std::size_t done = 0; done < after.size();) {
        ssize_t wrote =
            ::pwrite(fd_, after.data() + done, after.size() - done, static_cast<off_t>(done));
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return systemError(file_, "cannot write the drive state");
        }
        done += static_cast<std::size_t>(wrote);
    }
    // Only a shorter text leaves a tail to cut; the cut costs more than the
    // write.
    if (after.size() < before.size() && ::ftruncate(fd_, static_cast<off_t>(after.size())) != 0) {
        return systemError(file_, "cannot write the drive state");
    }
    cachedText_ = after;
    cachedState_ = std::move(state);
    return std::nullopt;
}

const DriveState& StateFile::parse(const std::string& text, const DriveState& fresh) {
    if (text.empty()) {
        return fresh;
    }
    if (text != cachedText_) {
        cachedState_ = parseState(text, fresh, file_);
        cachedText_ = text;
    }
    return cachedState_;
}

std::optional<DriveState> StateFile::read(const DriveState& fresh, std::string& error) {
    FileLock lock(fd_, LOCK_SH);
    if (!lock.locked()) {
        error = systemError(file_, "cannot lock the drive state");
        return std::nullopt;
    }
    std::string text;
    if (auto failure = readAll(text)) {
        error = *failure;
        return std::nullopt;
    }
    return parse(text, fresh);
}

}  // namespace kel::emu
