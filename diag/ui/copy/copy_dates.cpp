#include "diag/ui/copy/copy_dates.h"

#include <chrono>
#include <ctime>

#include "diag/disc/track_info.h"

namespace kel::diag {

std::optional<std::filesystem::file_time_type> NodeFileTime(const FileNode& node) {
    using namespace std::chrono;
    const auto& date = node.recordingDate;
    if (date[0] == 0) {
        return std::nullopt;
    }
    const year_month_day day{year{1900 + date[0]}, month{date[1]}, std::chrono::day{date[2]}};
    if (!day.ok() || date[3] > 23 || date[4] > 59 || date[5] > 60) {
        return std::nullopt;
    }
    const seconds clock = hours{date[3]} + minutes{date[4]} + seconds{date[5]};
    sys_seconds at;
    const bool local =
        node.track != nullptr && (node.track->flags & (track_flags::kHfs | track_flags::kUdf)) != 0;
    if (local) {
        std::tm parts{};
        parts.tm_year = date[0];
        parts.tm_mon = date[1] - 1;
        parts.tm_mday = date[2];
        parts.tm_hour = date[3];
        parts.tm_min = date[4];
        parts.tm_sec = date[5];
        parts.tm_isdst = -1;
        const std::time_t time = std::mktime(&parts);
        if (time == static_cast<std::time_t>(-1)) {
            return std::nullopt;
        }
        at = sys_seconds{seconds{time}};
    } else {
        // The offset is a signed count of 15-minute steps east of GMT.
        const minutes offset{static_cast<std::int8_t>(date[6]) * 15};
        at = sys_days{day} + clock - offset;
    }
    return file_clock::from_sys(at);
}

void KeepNodeTime(const FileNode& node, const std::filesystem::path& path) {
    if (const auto time = NodeFileTime(node)) {
        std::error_code error;
        std::filesystem::last_write_time(path, *time, error);
    }
}

}  // namespace kel::diag
