#include <string>

#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/disc_reads.h"
#include "diag/disc/analysis/track_order.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/track_list.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::int64_t kFramesPerMinute = 4500;
constexpr std::int64_t kFramesPerSecond = 75;
constexpr std::int64_t kVolumeDescriptorBlock = 16;

// Data mode byte of the track information.
constexpr std::uint8_t kBlankData = 0x40;
constexpr std::uint8_t kPacketData = 0x20;
constexpr std::uint8_t kFixedPackets = 0x10;

// Wide enough for any two block numbers a drive may report.
std::int64_t trackSize(const TrackInfo& r) {
    if (r.next != nullptr) {
        const TrackInfo& following = NextNonTwin(r);
        if (following.start != r.start) {
            return BlocksUpTo(r, following);
        }
    }
    return std::int64_t{r.end} - r.start;
}

// The implicit track from block 0 is the program's own guess: a failed
// read there is no drive error to show.
bool readDescriptor(const TrackInfo& r, Sector& block) {
    const std::int64_t at = std::int64_t{r.start} + kVolumeDescriptorBlock;
    if ((r.flags & track_flags::kImplicitFromBlockZero) != 0) {
        const QuietDrive quiet;
        return ReadSector(at, block);
    }
    return ReadSector(at, block);
}

// The name of a data track's file system; empty after the line that says
// the track could not be read.
std::string formatName(const TrackInfo& r) {
    if ((r.flags & track_flags::kHfs) != 0) {
        return "HFS";
    }
    if ((r.flags & track_flags::kUdf) != 0) {
        return "UDF";
    }
    if ((r.flags & track_flags::kIso9660) != 0) {
        return "ISO-9660";
    }
    Sector block{};
    if (!readDescriptor(r, block)) {
        AddAnalysisLine(15035);
        return {};
    }
    if (FieldEquals(block, 8, "\1CDROM")) {
        return "High Sierra";
    }
    if (FieldEquals(block, 0, "\1CD-I")) {
        return "CD-I";
    }
    return LoadResString(15006);
}

void describeDataTrack(const TrackInfo& r) {
    if ((r.flags & track_flags::kPacket) == 0) {
        const std::string format = formatName(r);
        if (format.empty()) {
            return;
        }
        if ((r.flags & track_flags::kJoliet) != 0) {
            AddAnalysisLine(15003, format);
        } else {
            AddAnalysisLine(15002, format);
        }
        return;
    }
    MarkQuestionable();
    if ((r.dataModeByte & kPacketData) != 0) {
        if ((r.dataModeByte & kFixedPackets) != 0) {
            AddAnalysisLine(15049, r.packetSize);
        } else {
            AddAnalysisLine(15050);
        }
    }
}

void describeTrack(const TrackInfo& r) {
    const std::int64_t size = trackSize(r);
    AddAnalysisLine(15001, int{r.track}, size, size / kFramesPerMinute,
                    size % kFramesPerMinute / kFramesPerSecond, size % kFramesPerSecond);
    if ((r.dataModeByte & kBlankData) != 0) {
        AddAnalysisLine(15051);
        MarkQuestionable();
    }
    if ((r.flags & track_flags::kContinuation) != 0) {
        AddAnalysisLine(15042);
        MarkQuestionable();
        return;
    }
    if (r.freeBlocks != 0) {
        AddAnalysisLine(15052, r.freeBlocks);
    }
    const std::uint32_t packetUdf = track_flags::kPacket | track_flags::kUdf;
    if ((r.flags & packetUdf) == packetUdf) {
        AddAnalysisLine(15045);
    } else if (IsDataTrack(r)) {
        describeDataTrack(r);
    } else if ((r.control & control_bits::kPreEmphasisOrIncremental) != 0) {
        AddAnalysisLine(15004);
    } else {
        AddAnalysisLine(15005);
    }
}

}  // namespace

void AnalyzeToc() {
    const TrackList& tracks = Tracks();
    AddAnalysisLine(15033);
    AddAnalysisLine(15000, CountTracks());
    if (tracks.first == nullptr) {
        return;
    }
    if ((tracks.last->flags & track_flags::kOpen) == 0 && !IsLeadOut(*tracks.last)) {
        AddAnalysisLine(15044);
        MarkQuestionable();
    }
    AnalyzeManufacturer();
    if ((tracks.first->flags & track_flags::kBlank) != 0) {
        AddAnalysisLine(15170, tracks.first->end);
        return;
    }
    for (const TrackInfo* r = tracks.first; r != nullptr; r = r->next) {
        if ((r->flags & track_flags::kOpen) != 0 && (r->flags & track_flags::kPacket) == 0) {
            AddAnalysisLine(15046, int{r->track});
        } else if (IsLeadOut(*r)) {
            AddAnalysisLine(15007, r->start);
            if (DiscIsOpen(*r)) {
                AddAnalysisLine(15031);
            }
        } else {
            describeTrack(*r);
        }
    }
}

}  // namespace kel::diag
