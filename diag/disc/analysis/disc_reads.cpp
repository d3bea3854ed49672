#include "diag/disc/analysis/disc_reads.h"

#include <algorithm>
#include <limits>

#include "diag/device/device_access.h"

namespace kel::diag {

bool ReadSector(std::int64_t block, std::span<std::uint8_t, kSectorBytes> buffer) {
    CdDevice* device = CurrentDevice();
    if (device == nullptr || block < 0 || block > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    return device->ReadSectors(static_cast<std::uint32_t>(block), buffer, 1);
}

QuietDrive::QuietDrive() : device_(CurrentDevice()) {
    if (device_ != nullptr) {
        device_->quiet = 1;
    }
}

QuietDrive::~QuietDrive() {
    if (device_ != nullptr) {
        device_->quiet = 0;
    }
}

std::string FieldText(std::span<const std::uint8_t, kSectorBytes> block, std::size_t at,
                      std::size_t length) {
    const auto field = block.subspan(at, length);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    std::string text(field.begin(), end);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

bool FieldEquals(std::span<const std::uint8_t, kSectorBytes> block, std::size_t at,
                 std::string_view expected) {
    return std::equal(expected.begin(), expected.end(), block.begin() + at,
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace kel::diag
