#include "diag/fs/hfs/hfs_date.h"

#include <ctime>

namespace kel::diag::hfs {

namespace {

// Seconds from 1904-01-01 to 1970-01-01.
constexpr std::int64_t kHfsToUnix = 2082844800;

// HFS records local time; taking the zone's offset off first lets the
// breakdown as local time give the recorded clock reading back. The offset
// is the one in force when first asked, as the volume's own clock was.
std::int64_t LocalTimeOffset() {
    static const std::int64_t offset = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        return localtime_r(&now, &local) ? static_cast<std::int64_t>(local.tm_gmtoff) : 0;
    }();
    return offset;
}

}  // namespace

std::array<std::uint8_t, 7> HfsDateToNodeDate(std::uint32_t hfsDate) {
    const std::time_t value = static_cast<std::time_t>(static_cast<std::int64_t>(hfsDate) -
                                                       LocalTimeOffset() - kHfsToUnix);
    std::tm t{};
    if (!localtime_r(&value, &t)) {
        return {};
    }
    return {static_cast<std::uint8_t>(t.tm_year),
            static_cast<std::uint8_t>(t.tm_mon + 1),
            static_cast<std::uint8_t>(t.tm_mday),
            static_cast<std::uint8_t>(t.tm_hour),
            static_cast<std::uint8_t>(t.tm_min),
            static_cast<std::uint8_t>(t.tm_sec),
            0};
}

}  // namespace kel::diag::hfs
