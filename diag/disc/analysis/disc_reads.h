// What the analysis reads from the disc in the drive: single 2048-byte
// blocks through the current drive object, and the little- and big-endian
// fields of the descriptors it finds there.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kel::diag {

inline constexpr std::size_t kSectorBytes = 2048;
using Sector = std::array<std::uint8_t, kSectorBytes>;

class CdDevice;

// One block; false without a drive, for a block number below 0, or when the
// drive fails the read (it reports that itself unless it is quiet).
bool ReadSector(std::int64_t block, std::span<std::uint8_t, kSectorBytes> buffer);

// Sets the drive's quiet flag for a group of reads whose failures the
// analysis reports (or tolerates) itself; cleared again at the end.
class QuietDrive {
public:
    QuietDrive();
    ~QuietDrive();
    QuietDrive(const QuietDrive&) = delete;
    QuietDrive& operator=(const QuietDrive&) = delete;

private:
    CdDevice* device_;
};

// `length` bytes at `at` as text: up to the first NUL, trailing blanks
// removed.
std::string FieldText(std::span<const std::uint8_t, kSectorBytes> block, std::size_t at,
                      std::size_t length);

// True when the bytes at `at` are exactly `expected`.
bool FieldEquals(std::span<const std::uint8_t, kSectorBytes> block, std::size_t at,
                 std::string_view expected);

}  // namespace kel::diag
