// Reading this process's memory where it may not be mapped, without the
// risk of a fault: the kernel copies the range through a pipe and answers
// EFAULT where a load would fault. Async-signal-safe once open.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kel::diag::report {

class MemoryProbe {
public:
    // Most bytes one copy() moves.
    static constexpr std::size_t kChunk = 4096;  // within one pipe buffer

    MemoryProbe() = default;
    ~MemoryProbe();
    MemoryProbe(const MemoryProbe&) = delete;
    MemoryProbe& operator=(const MemoryProbe&) = delete;

    // Creates the pipe; false when the system refuses one.
    bool open();
    // True when every byte of the range is mapped readable; false for an
    // empty range, one that wraps, or a probe that is not open.
    bool readable(std::uintptr_t address, std::size_t length);
    // Copies up to kChunk bytes into `out`; the number copied, fewer (none,
    // as the kernel does it) when the range runs into unreadable memory.
    std::size_t copy(std::uintptr_t address, std::size_t length, std::uint8_t* out);

private:
    int readEnd_ = -1;
    int writeEnd_ = -1;
    std::uint8_t drain_[kChunk];
};

}  // namespace kel::diag::report
