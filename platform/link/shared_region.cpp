#include "shared_region.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace kel::link {
namespace {

constexpr int kRequiredSeals = F_SEAL_SHRINK | F_SEAL_SEAL;

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<SharedRegion> SharedRegion::create(std::size_t payloadSize, std::string& error) {
    const std::size_t size = kLaneBytes + payloadSize;
    int fd = ::memfd_create("kel-link", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        error = systemError("shared payload memory");
        return nullptr;
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
        error = systemError("shared payload memory");
        ::close(fd);
        return nullptr;
    }
    void* base = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        error = systemError("shared payload mapping");
        ::close(fd);
        return nullptr;
    }
    // Until the receiver has the memory and says otherwise, it must be rung.
    Lane* lane = new (base) Lane{};
    lane->receiverRing.store(1, std::memory_order_relaxed);
    return std::unique_ptr<SharedRegion>(new SharedRegion(fd, static_cast<std::byte*>(base), size));
}

SharedRegion::~SharedRegion() {
    ::munmap(base_, size_);
    ::close(fd_);
}

std::unique_ptr<SharedView> SharedView::adopt(int fd, std::size_t payloadSize, std::string& error) {
    const std::size_t minimum = kLaneBytes + payloadSize;
    struct stat status {};
    int seals = ::fcntl(fd, F_GET_SEALS);
    if (seals < 0 || (seals & kRequiredSeals) != kRequiredSeals || ::fstat(fd, &status) != 0 ||
        !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::size_t>(status.st_size) < minimum) {
        error =
            "shared payload memory is not a sealed region of " + std::to_string(minimum) + " bytes";
        ::close(fd);
        return nullptr;
    }
    void* lane = ::mmap(nullptr, kLaneBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    void* payload = ::mmap(nullptr, payloadSize, PROT_READ, MAP_SHARED, fd, kLaneBytes);
    if (lane == MAP_FAILED || payload == MAP_FAILED) {
        error = systemError("shared payload mapping");
        if (lane != MAP_FAILED) {
            ::munmap(lane, kLaneBytes);
        }
        if (payload != MAP_FAILED) {
            ::munmap(payload, payloadSize);
        }
        ::close(fd);
        return nullptr;
    }
    ::close(fd);
    return std::unique_ptr<SharedView>(new SharedView(
        static_cast<Lane*>(lane), static_cast<const std::byte*>(payload), payloadSize));
}

SharedView::~SharedView() {
    ::munmap(lane_, kLaneBytes);
    ::munmap(const_cast<std::byte*>(payload_), payloadSize_);
}

}  // namespace kel::link
