#include "emu/drive/state_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

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

// Holds a flock for one scope: only while a file is set up.
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

constexpr std::size_t kFileSize = 64 * 1024;
constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kTextCapacity = kFileSize - kHeaderSize;
constexpr std::array<char, 8> kMagic{'K', 'E', 'L', 'S', 'T', 'A', 'T', '1'};

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

struct StateFile::Shared {
    std::array<char, 8> magic;
    // Process-shared and robust: a process that dies holding it leaves it to
    // the next one instead of stopping the drive for good.
    pthread_mutex_t lock;
    // Raised by every change, so that a process parses again only then.
    std::uint64_t generation;
    std::uint32_t length;
    alignas(kHeaderSize) char text[kTextCapacity];
};

class StateFile::Lock {
public:
    explicit Lock(Shared& shared, std::optional<std::chrono::milliseconds> wait = std::nullopt)
        : shared_(shared) {
        error_ = wait ? timedLock(*wait) : ::pthread_mutex_lock(&shared_.lock);
        held_ = error_ == 0 || error_ == EOWNERDEAD;
        if (error_ == EOWNERDEAD) {
            // Its text may be half written: everyone parses it again, and
            // the lenient parse keeps what is whole.
            error_ = ::pthread_mutex_consistent(&shared_.lock);
            ++shared_.generation;
        }
    }
    ~Lock() {
        if (held_) {
            ::pthread_mutex_unlock(&shared_.lock);
        }
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    int error() const { return error_; }

private:
    int timedLock(std::chrono::milliseconds wait) {
        timespec until{};
        ::clock_gettime(CLOCK_MONOTONIC, &until);
        const auto total = std::max<std::chrono::milliseconds::rep>(wait.count(), 0);
        until.tv_sec += static_cast<time_t>(total / 1000);
        until.tv_nsec += static_cast<long>(total % 1000) * 1000000L;
        if (until.tv_nsec >= 1000000000L) {
            ++until.tv_sec;
            until.tv_nsec -= 1000000000L;
        }
        return ::pthread_mutex_clocklock(&shared_.lock, CLOCK_MONOTONIC, &until);
    }

    Shared& shared_;
    int error_;
    bool held_;
};

StateFile::Shared* StateFile::mapShared(int fd, const std::filesystem::path& file,
                                        std::string& error) {
    static_assert(sizeof(Shared) == kFileSize);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        error = systemError(file, "cannot read the drive state");
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(std::max<off_t>(status.st_size, 0));
    if (size > kFileSize) {
        error = file.string() + ": the drive state is implausibly large";
        return nullptr;
    }
    // The file's blocks are reserved before it is mapped: a write through
    // the mapping into a block that a full file system cannot give is a
    // SIGBUS, not an error. Growing keeps what the file held; new bytes read
    // as zeros.
    if (const int reserved = ::posix_fallocate(fd, 0, static_cast<off_t>(kFileSize));
        reserved != 0) {
        error = "cannot keep the drive state in " + file.parent_path().string() + ": " +
                std::strerror(reserved);
        return nullptr;
    }
    void* base = ::mmap(nullptr, kFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        error = systemError(file, "cannot map the drive state");
        return nullptr;
    }
    auto* shared = static_cast<Shared*>(base);
    if (shared->magic == kMagic) {
        return shared;
    }
    // Not yet a shared state: text written by hand, or a set-up cut short.
    // Bytes from the first NUL on are not text.
    std::string_view held(static_cast<const char*>(base), std::min(size, kTextCapacity));
    const std::string before(held.substr(0, held.find('\0')));
    std::memset(static_cast<void*>(shared), 0, kHeaderSize);
    pthread_mutexattr_t attributes;
    ::pthread_mutexattr_init(&attributes);
    ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    const int rc = ::pthread_mutex_init(&shared->lock, &attributes);
    ::pthread_mutexattr_destroy(&attributes);
    if (rc != 0) {
        error = file.string() + ": cannot set up the drive state's lock: " + std::strerror(rc);
        ::munmap(base, kFileSize);
        return nullptr;
    }
    shared->generation = 1;
    shared->length = static_cast<std::uint32_t>(before.size());
    std::memcpy(shared->text, before.data(), before.size());
    // Last: a process that dies before this leaves a file to set up again.
    shared->magic = kMagic;
    return shared;
}

std::optional<StateFile> StateFile::open(const std::filesystem::path& file, std::string& error) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = systemError(file, "cannot open the drive state");
        return std::nullopt;
    }
    Shared* shared = nullptr;
    {
        FileLock lock(fd, LOCK_EX);
        if (lock.locked()) {
            shared = mapShared(fd, file, error);
        } else {
            error = systemError(file, "cannot lock the drive state");
        }
    }
    ::close(fd);
    if (shared == nullptr) {
        return std::nullopt;
    }
    return StateFile(shared, file);
}

StateFile::StateFile(StateFile&& other) noexcept
    : shared_(other.shared_),
      file_(std::move(other.file_)),
      cachedGeneration_(other.cachedGeneration_),
      cachedState_(std::move(other.cachedState_)) {
    other.shared_ = nullptr;
}

StateFile::~StateFile() {
    if (shared_ != nullptr) {
        ::munmap(shared_, kFileSize);
    }
}

const DriveState& StateFile::current(const DriveState& fresh) {
    if (shared_->length == 0) {
        return fresh;
    }
    if (cachedGeneration_ != shared_->generation) {
        const std::size_t length = std::min<std::size_t>(shared_->length, kTextCapacity);
        cachedState_ = parseState(std::string(shared_->text, length), fresh, file_);
        cachedGeneration_ = shared_->generation;
    }
    return cachedState_;
}

std::optional<std::string> StateFile::transact(const DriveState& fresh,
                                               const std::function<void(DriveState&)>& change,
                                               std::optional<std::chrono::milliseconds> lockWait,
                                               bool* timedOut) {
    Lock lock(*shared_, lockWait);
    if (timedOut != nullptr) {
        *timedOut = lock.error() == ETIMEDOUT;
    }
    if (lock.error() != 0) {
        return file_.string() + ": cannot lock the drive state: " + std::strerror(lock.error());
    }
    const bool stored = shared_->length != 0;
    DriveState state = current(fresh);
    change(state);
    // current() left the stored state in the cache.
    if (stored && state == cachedState_) {
        return std::nullopt;
    }
    const std::string text = serialiseState(state);
    if (text.size() > kTextCapacity) {
        return file_.string() + ": the drive state is too large to store";
    }
    std::memcpy(shared_->text, text.data(), text.size());
    shared_->length = static_cast<std::uint32_t>(text.size());
    cachedGeneration_ = ++shared_->generation;
    cachedState_ = std::move(state);
    return std::nullopt;
}

std::optional<DriveState> StateFile::read(const DriveState& fresh, std::string& error) {
    Lock lock(*shared_);
    if (lock.error() != 0) {
        error = file_.string() + ": cannot lock the drive state: " + std::strerror(lock.error());
        return std::nullopt;
    }
    return current(fresh);
}

}  // namespace kel::emu
