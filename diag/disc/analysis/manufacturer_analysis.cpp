#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "diag/device/device_access.h"
#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/disc_reads.h"
#include "diag/disc/analysis/lead_in_time.h"
#include "diag/disc/track_info.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::uint16_t kReadAtip = 0x400;
constexpr std::uint16_t kReadFullToc = 0x200;
constexpr std::size_t kNameRoom = 200;

std::optional<LeadInTime> readLeadInTime(Sector& buffer) {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return std::nullopt;
    }
    const QuietDrive quiet;
    std::fill_n(buffer.begin(), 128, 0);
    if (device->ReadToc(kReadAtip, buffer)) {
        if (auto time = LeadInTimeFromAtip(buffer)) {
            if (logSwitches().debugMode) {
                DumpBlock(buffer, 0, "Analyze Mfr ATIP Information");
            }
            return time;
        }
    }
    if (!device->ReadToc(kReadFullToc, buffer)) {
        return std::nullopt;
    }
    if (logSwitches().debugMode && (buffer[0] != 0 || buffer[1] != 0)) {
        DumpBlock(buffer, 0, "Analyze Mfr TOC2 Information");
    }
    return LeadInTimeFromFullToc(buffer);
}

// The whole manufacturer file, or nothing after the message that says why.
std::optional<std::string> readManufacturerFile() {
    const std::filesystem::path path = ManufacturerFilePath();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const std::string reason = std::error_code(errno, std::system_category()).message();
        ShowMessage(223, path.string(), reason);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        AddAnalysisLine(15058, static_cast<std::int64_t>(text.tellp()));
        return std::nullopt;
    }
    return std::move(text).str();
}

std::string mediaType(const LeadInTime& time) {
    const TrackInfo* first = Tracks().first;
    if (first != nullptr && (first->flags & track_flags::kErasable) != 0) {
        return LoadResString(14102);
    }
    // The tens digit's low values belong to the dyes that lead-in times of
    // that range were given to.
    return LoadResString(time.frame % 10 < 5 ? 14100 : 14101);
}

}  // namespace

void AnalyzeManufacturer() {
    Sector buffer{};
    const std::optional<LeadInTime> time = readLeadInTime(buffer);
    if (!time) {
        AddAnalysisLine(15056);
        return;
    }
    const std::optional<std::string> text = readManufacturerFile();
    if (!text) {
        return;
    }
    const ManufacturerLookup lookup = LookUpManufacturer(*text, *time);
    std::string name;
    switch (lookup.result) {
        case ManufacturerLookup::Result::Malformed:
            if (logSwitches().debugMode) {
                DebugLog("Manufacturer file %s, line %d: error %d", ManufacturerFilePath().string(),
                         lookup.lineNumber, lookup.error);
            }
            AddAnalysisLine(15058, lookup.error);
            return;
        case ManufacturerLookup::Result::NotFound: {
            const FormatArg args[] = {time->seconds, time->frame};
            name = FormatText(LoadResString(15048), args, kNameRoom);
            break;
        }
        case ManufacturerLookup::Result::Found:
            name = lookup.name;
            break;
    }
    AddAnalysisLine(15047, name, mediaType(*time));
}

}  // namespace kel::diag
