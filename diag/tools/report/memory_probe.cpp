#include "diag/tools/report/memory_probe.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kel::diag::report {

MemoryProbe::~MemoryProbe() {
    if (readEnd_ >= 0) {
        ::close(readEnd_);
        ::close(writeEnd_);
    }
}

bool MemoryProbe::open() {
    if (readEnd_ >= 0) {
        return true;
    }
    int ends[2];
    // Non-blocking: a probe must never wait, whatever another thread did.
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    return true;
}

bool MemoryProbe::readable(std::uintptr_t address, std::size_t length) {
    if (readEnd_ < 0 || length == 0 || address + length < address) {
        return false;
    }
    while (length > 0) {
        const std::size_t part = std::min(length, kChunk);
        if (copy(address, part, drain_) != part) {
            return false;
        }
        address += part;
        length -= part;
    }
    return true;
}

std::size_t MemoryProbe::copy(std::uintptr_t address, std::size_t length, std::uint8_t* out) {
    length = std::min(length, kChunk);
    if (readEnd_ < 0 || length == 0 || address + length < address) {
        return 0;
    }
    // The system call itself, not the library's write: a sanitizer's
    // wrapper would check the very memory this is asking about.
    ssize_t written;
    while ((written = ::syscall(SYS_write, writeEnd_, address, length)) < 0 && errno == EINTR) {
    }
    // Whatever went in comes out again, so that the next copy finds the pipe
    // empty; a short write means the range runs into unreadable memory.
    const std::size_t wanted = written > 0 ? static_cast<std::size_t>(written) : 0;
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t part = ::read(readEnd_, out + got, wanted - got);
        if (part < 0 && errno == EINTR) {
            continue;
        }
        if (part <= 0) {
            break;
        }
        got += static_cast<std::size_t>(part);
    }
    return got;
}

}  // namespace kel::diag::report
