#include "diag/disc/scan/toc_lines.h"

#include <array>
#include <string_view>

#include "diag/disc/disc_info.h"
#include "diag/disc/scan/volume_names.h"
#include "diag/disc/track_list.h"
#include "diag/tools/format_text.h"
#include "diag/ui/list_clipboard.h"

namespace kel::diag {
namespace {

constexpr std::size_t kMaxLine = 255;
constexpr std::array<int, 4> kTextColumns = {15, 30, 45, 55};
// The column header above the lines.
constexpr int kHeaderId = 176;
// Track numbers end at 99; the numbers above are the TOC's pointers, shown
// in hex (AA for the lead-out).
constexpr int kLastTrackNumber = 99;

std::string sessionAndTrack(const TrackInfo& r) {
    const FormatArg args[] = {int{r.session}, int{r.track}};
    return FormatText(r.track > kLastTrackNumber ? "%d:%X" : "%d:%d", args, kMaxLine);
}

std::string_view adrName(std::uint8_t adr) {
    static constexpr std::array<std::string_view, 4> kNames = {"None", "Pos", "UPC", "ISRC"};
    return adr < kNames.size() ? kNames[adr] : "???";
}

std::string_view controlName(std::uint8_t control) {
    if (control == 5 || control == 6) {
        return "UDF";
    }
    switch (control & 0x0C) {
        case 0x00:
            return "Audio";
        case control_bits::kData:
            return "Data";
        default:
            return "Other";
    }
}

std::string trackType(const TrackInfo& r) {
    if (IsLeadOut(r)) {
        return DiscIsOpen(r) ? "Lead out (open)" : "Lead out";
    }
    const std::uint8_t control = r.control & 0x0F;
    std::string type(adrName(r.control >> 4));
    type += '/';
    type += controlName(control);
    if ((control & control_bits::kCopyPermitted) == 0) {
        type += '*';
    }
    if ((r.flags & (track_flags::kCdRomXa | track_flags::kCdiBridge)) != 0) {
        type += " XA";
    }
    return type;
}

std::string fileCount(const TrackInfo& r) {
    if (r.root == nullptr || IsLeadOut(r)) {
        return {};
    }
    const FormatArg args[] = {static_cast<int>(r.root->count)};
    return FormatText("%d", args, kMaxLine);
}

}  // namespace

std::vector<std::string> TocLines() {
    std::vector<std::string> lines;
    for (const TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        if ((r->flags & track_flags::kHfsTwin) != 0) {
            continue;
        }
        // The arguments refer to these texts, so they are kept until the line is made.
        const std::string position = sessionAndTrack(*r);
        const std::string type = trackType(*r);
        const std::string volume = r->root != nullptr ? TocVolumeName(*r->root) : std::string();
        const std::string files = fileCount(*r);
        const FormatArg args[] = {position, type, volume, r->start, files};
        lines.push_back(FormatText("  %s\t%s\t%s\t%d\t%s", args, kMaxLine));
    }
    return lines;
}

std::string TocClipboardText(const std::vector<std::string>& lines) {
    return ListClipboardText(lines, kTextColumns, kHeaderId);
}

}  // namespace kel::diag
