// The list pane's date texts without the ISO reader, which is linked into the
// program but not into these tests.
#include <cstdio>

#include "diag/fs/readers.h"

namespace kel::diag {

std::string FormatRecordingDate(std::span<const std::uint8_t, 7> date) {
    if (date[0] == 0) {
        return "-- N/A --";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %d:%02d:%02d", 1900 + date[0], date[1],
                  date[2], date[3], date[4], date[5]);
    return text;
}

}  // namespace kel::diag
