#include "diag/fs/hfs/hfs_date.h"

#include <chrono>

namespace kel::diag::hfs {

namespace {

// Seconds from 1904-01-01 to 1970-01-01.
constexpr std::int64_t kHfsToUnix = 2082844800;

}  // namespace

// HFS records the clock reading of the volume's own zone, without saying
// which zone that was. Broken down with no zone at all, the value gives that
// reading back whatever zone, summer time or earlier setting this machine
// has; any local offset taken off and put back on would shift the dates
// whose summer time differs from the moment the offset was taken.
std::array<std::uint8_t, 7> HfsDateToNodeDate(std::uint32_t hfsDate) {
    using namespace std::chrono;
    const sys_seconds at{seconds{static_cast<std::int64_t>(hfsDate) - kHfsToUnix}};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    return {static_cast<std::uint8_t>(static_cast<int>(date.year()) - 1900),
            static_cast<std::uint8_t>(static_cast<unsigned>(date.month())),
            static_cast<std::uint8_t>(static_cast<unsigned>(date.day())),
            static_cast<std::uint8_t>(time.hours().count()),
            static_cast<std::uint8_t>(time.minutes().count()),
            static_cast<std::uint8_t>(time.seconds().count()),
            0};
}

}  // namespace kel::diag::hfs
