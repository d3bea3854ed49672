// The problem report file, as the outside problem-report program reads it:
// the header, then the exception record and the thread context (each behind
// its 32-bit length), the memory around the registers, and the stack frames,
// each frame record followed by its data. Little-endian, as this machine
// writes it. Addresses are 64-bit wide here, so the records that hold them
// are wider than on a 32-bit machine; the header keeps its 528 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kel::diag::report {

inline constexpr std::uint32_t kHeaderSize = 528;

// Fills a record's text field with as much of `text` as fits, terminated.
template <std::size_t N>
void CopyCut(char (&field)[N], std::string_view text) {
    const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

struct ReportHeader {
    std::uint32_t headerSize = kHeaderSize;
    char computerName[16] = {};  // NUL-terminated
    char userName[64] = {};      // NUL-terminated
    // UTC: year, month, day of week (0 Sunday), day, hour, minute, second,
    // milliseconds.
    std::uint16_t systemTime[8] = {};
    std::uint8_t zero[400] = {};
    std::uint16_t frameCount = 0;
    std::uint16_t dumpCount = 0;
    std::uint32_t dumpOffset = 0;  // file offset of the first memory dump record
    char version[20] = {};         // "%d.%d.%d.%d", NUL-terminated
};
static_assert(sizeof(ReportHeader) == kHeaderSize);
static_assert(offsetof(ReportHeader, systemTime) == 84);
static_assert(offsetof(ReportHeader, frameCount) == 500);
static_assert(offsetof(ReportHeader, version) == 508);

// The fault as the signal told it. The code is one of the exception codes
// whose names exception_names.h holds.
struct ExceptionRecord {
    std::uint32_t code = 0;
    std::uint32_t flags = 0;  // kNonContinuable: the program ends after the report
    std::uint64_t nested = 0;
    std::uint64_t address = 0;  // the instruction that faulted
    std::uint32_t parameterCount = 0;
    std::uint32_t reserved = 0;
    // Signal number, signal code, the address the signal names, and for an
    // access violation whether it was a read (0), a write (1) or an
    // instruction fetch (8).
    std::uint64_t parameters[15] = {};
};
static_assert(sizeof(ExceptionRecord) == 152);
inline constexpr std::uint32_t kNonContinuable = 1;

// The general registers in the kernel's signal-frame order, then the
// floating-point state (zero when the kernel gave none).
struct ThreadContext {
    std::uint64_t registers[23] = {};
    std::uint8_t floatState[512] = {};
};
static_assert(sizeof(ThreadContext) == 696);

inline constexpr std::uint16_t kDumpBytes = 512;

// Ids of the registers whose surroundings are dumped, in dump order.
enum RegisterId : std::uint16_t {
    kRax = 1,
    kRbx = 2,
    kRcx = 3,
    kRdx = 4,
    kRsi = 5,
    kRdi = 6,
    kRbp = 7,
    kRip = 8,
    kRsp = 9,
};

// Followed by nothing: the 512 bytes from value - 256 are part of it.
struct MemoryDumpRecord {
    std::uint16_t length = kDumpBytes;
    std::uint16_t registerId = 0;
    std::uint32_t reserved = 0;
    std::uint64_t value = 0;
    std::uint8_t bytes[kDumpBytes] = {};
};
static_assert(sizeof(MemoryDumpRecord) == 528);

inline constexpr std::uint32_t kFlatAddressing = 3;

struct ReportAddress {
    std::uint64_t offset = 0;
    std::uint32_t segment = 0;
    std::uint32_t mode = kFlatAddressing;
};

// One walked frame; `dataLength` bytes of its stack follow it.
struct FrameRecord {
    ReportAddress stack;  // the stack pointer while the frame ran
    ReportAddress frame;  // its canonical frame address (the caller's stack pointer)
    ReportAddress pc;
    std::uint64_t moduleBase = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t reserved = 0;
    // The four words at the frame address, where the caller put the
    // arguments that did not go in registers.
    std::uint64_t parameters[4] = {};
    char moduleName[32] = {};    // file name without folder; empty when unknown
    char functionName[64] = {};  // exported name of the function; empty when unknown
    std::uint64_t functionOffset = 0;
};
static_assert(sizeof(FrameRecord) == 200);
static_assert(offsetof(FrameRecord, moduleBase) == 48);
static_assert(offsetof(FrameRecord, moduleName) == 96);

}  // namespace kel::diag::report
