#include <array>
#include <string>

#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/track_checks.h"
#include "diag/disc/analysis/tree_counts.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/ui/messages.h"
#include "diag/ui/node_path.h"

namespace kel::diag {
namespace {

struct ReaderFinding {
    std::uint32_t flag;
    int id;
};
constexpr std::array<ReaderFinding, 5> kReaderFindings = {{
    {track_flags::kUdfAllocationNotFound, 15059},
    {track_flags::kUdfVatBySearch, 15060},
    {track_flags::kUdfChecksumsIgnored, 15168},
    {track_flags::kUdfBeyondNextTrack, 15064},
    {track_flags::kUdfSparableWithoutTable, 15169},
}};

// The UDF reader's status letters 'e' to 'j' (101-106) index the texts
// behind message 15061. A status from a tree file may be any byte: one
// without a text is shown by its number.
constexpr int kStatusTextBase = 15061;
constexpr int kFirstStatus = 101;
constexpr int kLastStatus = 106;

std::string statusText(std::uint8_t status) {
    if (status >= kFirstStatus && status <= kLastStatus) {
        return LoadResString(kStatusTextBase + status);
    }
    return std::to_string(status);
}

std::string pathOf(const ExtentEntry& entry) {
    return entry.node != nullptr ? NodePathText(*entry.node) : std::string();
}

void reportReaderFindings(const TrackInfo& track) {
    for (const ReaderFinding& finding : kReaderFindings) {
        if ((track.flags & finding.flag) != 0) {
            AddAnalysisLine(finding.id);
            MarkQuestionable();
        }
    }
    if (track.udfStatus != 0) {
        AddAnalysisLine(15061, statusText(track.udfStatus));
        MarkQuestionable();
    }
}

// Every entry that starts inside an earlier entry's extent is reported with
// it; the table is in ascending start order, so the overlaps of an entry
// are the run of entries right behind it.
void reportExtentOverlaps(const TrackInfo& track) {
    if (track.extentTable == nullptr || track.extentCount < 2) {
        return;
    }
    const std::span<const ExtentEntry> table(track.extentTable,
                                             static_cast<std::size_t>(track.extentCount));
    for (std::size_t i = 0; i + 1 < table.size(); ++i) {
        const std::int64_t end = std::int64_t{table[i].start} + table[i].count;
        if (table[i + 1].start >= end) {
            continue;
        }
        const std::string path = pathOf(table[i]);
        for (std::size_t j = i + 1; j < table.size() && table[j].start < end; ++j) {
            AddAnalysisLine(15063, path, pathOf(table[j]));
        }
        MarkQuestionable();
    }
}

bool packetWritten(const TrackInfo& track) {
    if ((track.flags & track_flags::kPacket) != 0) {
        return true;
    }
    const std::uint32_t packetContinuation = track_flags::kContinuation | track_flags::kPacket;
    return track.next != nullptr && (track.next->flags & packetContinuation) == packetContinuation;
}

}  // namespace

void AnalyzeUdfTrack(const TrackInfo& track) {
    AddAnalysisLine(15032, int{track.track}, int{track.session});
    if ((track.flags & track_flags::kCdRomXa) != 0) {
        AddAnalysisLine(15034);
    }
    if (track.root == nullptr) {
        AddAnalysisLine(15016);
        MarkQuestionable();
        return;
    }
    reportReaderFindings(track);
    std::string implementation;
    if (UdfImplementationId(track, implementation)) {
        AddAnalysisLine(15062, implementation);
    }
    const TreeCounts counts = CountTree(track, EntryRules::Udf);
    AddAnalysisLine(15027, counts.files, counts.directories);
    if (counts.missing > 0) {
        AddAnalysisLine(15024, counts.missing);
        MarkQuestionable();
    }
    if (track.session > 1) {
        ReportLinkedFiles(track);
    }
    reportExtentOverlaps(track);
    if (packetWritten(track)) {
        AddAnalysisLine(15065);
        MarkQuestionable();
    }
}

}  // namespace kel::diag
