#include <string_view>

#include "diag/device/cd_device.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/track_checks.h"
#include "diag/disc/analysis/track_order.h"
#include "diag/disc/analysis/tree_counts.h"
#include "diag/fs/le_fields.h"

namespace kel::diag {
namespace {

constexpr std::int64_t kVolumeDescriptorBlock = 16;
// A mastering program may leave this many blocks behind the volume's end
// before the next track without anything being wrong.
constexpr std::int64_t kVolumeSizeSlack = 26000;
constexpr std::uint16_t kExpectedBlockSize = 2048;
// Deeper directories break the ISO 9660 rule and some CD-ROM extensions.
constexpr std::int32_t kMaxDepth = 8;

// Where the two kinds of primary volume descriptor keep the fields the
// checks read.
struct DescriptorLayout {
    bool highSierra;
    std::size_t volumeSpaceLittle;
    std::size_t volumeSpaceBig;
    std::size_t blockSizeLittle;
    std::size_t blockSizeBig;
    std::size_t volumeId;
};
constexpr DescriptorLayout kIsoLayout{false, 80, 84, 128, 130, 40};
constexpr DescriptorLayout kHighSierraLayout{true, 88, 92, 136, 138, 48};

constexpr std::size_t kVolumeIdLength = 32;
constexpr std::size_t kSystemId = 8;
constexpr std::size_t kSystemIdLength = 32;
constexpr std::size_t kRootDirectoryLength = 166;
constexpr std::size_t kPublisher = 318;
constexpr std::size_t kDataPreparer = 446;
constexpr std::size_t kApplicationId = 574;
constexpr std::size_t kLongIdLength = 128;

int fieldClass(const Sector& block, std::size_t at, std::size_t length) {
    const std::string_view field(reinterpret_cast<const char*>(block.data()) + at, length);
    return ClassifyIsoChars(field, length, false);
}

bool hasFlag(const TrackInfo& track, std::uint32_t flag) {
    return (track.flags & flag) != 0;
}

void finding(int id) {
    AddAnalysisLine(id);
    MarkQuestionable();
}

void checkXaMode(const TrackInfo& track, const DescriptorLayout& layout) {
    if (layout.highSierra) {
        if (hasFlag(track, track_flags::kCdRomXa)) {
            AddAnalysisLine(15034);
        }
        return;
    }
    const bool xaImage = hasFlag(track, track_flags::kCdiBridge);
    if (xaImage || hasFlag(track, track_flags::kCdRomXa)) {
        AddAnalysisLine(15034);
    }
    const TrackInfo* first = Tracks().first;
    const bool xaDisc = first != nullptr && hasFlag(*first, track_flags::kCdRomXa);
    if (xaDisc && !xaImage) {
        finding(15054);
    } else if (!xaDisc && xaImage) {
        finding(15055);
    }
}

void checkSizes(const TrackInfo& track, const Sector& block, const DescriptorLayout& layout) {
    const std::uint32_t volumeSize = Le32(block, layout.volumeSpaceLittle);
    if (track.next != nullptr) {
        const TrackInfo& next = layout.highSierra ? *track.next : NextNonTwin(track);
        const std::int64_t distance = std::int64_t{next.start} - track.start;
        const std::int64_t spare = distance - volumeSize;
        if (spare < 0 || spare > kVolumeSizeSlack) {
            AddAnalysisLine(15009, volumeSize, distance);
            MarkQuestionable();
        }
    }
    const std::uint32_t volumeSizeBig =
        Swap32(std::span(block).subspan(layout.volumeSpaceBig).first<4>());
    if (volumeSizeBig != volumeSize) {
        AddAnalysisLine(15010, volumeSize, volumeSizeBig);
        MarkQuestionable();
    }
    const std::uint16_t blockSize = Le16(block, layout.blockSizeLittle);
    const std::uint16_t blockSizeBig =
        Swap16(std::span(block).subspan(layout.blockSizeBig).first<2>());
    if (blockSize != blockSizeBig) {
        AddAnalysisLine(15011, blockSize, blockSizeBig);
        MarkQuestionable();
    }
    if (blockSize != kExpectedBlockSize) {
        AddAnalysisLine(15013, blockSize);
        MarkQuestionable();
    }
}

void checkIdentifiers(const TrackInfo& track, const Sector& block, const DescriptorLayout& layout) {
    const int volumeClass = fieldClass(block, layout.volumeId, kVolumeIdLength);
    if (volumeClass == iso_chars::kBlank) {
        finding(15012);
    } else if (!layout.highSierra && volumeClass != iso_chars::kDCharacters &&
               !hasFlag(track, track_flags::kJoliet)) {
        finding(15017);
    }
    if (layout.highSierra) {
        return;
    }
    if (fieldClass(block, kSystemId, kSystemIdLength) > iso_chars::kACharacters) {
        AddAnalysisLine(15018);
    }
    const int publisherClass = fieldClass(block, kPublisher, kLongIdLength);
    if (publisherClass == iso_chars::kBlank &&
        fieldClass(block, kDataPreparer, kLongIdLength) == iso_chars::kBlank) {
        AddAnalysisLine(15014);
    }
    if (publisherClass > iso_chars::kACharacters) {
        AddAnalysisLine(15019);
    }
    AddAnalysisLine(15015, FieldText(block, kApplicationId, kLongIdLength));
}

void checkTree(const TrackInfo& track, const DescriptorLayout& layout) {
    const bool joliet = hasFlag(track, track_flags::kJoliet);
    const EntryRules rules = joliet && !layout.highSierra ? EntryRules::Joliet : EntryRules::Iso;
    const TreeCounts counts = CountTree(track, rules);
    AddAnalysisLine(15027, counts.files, counts.directories);
    if (counts.secondNotDotDot) {
        finding(15020);
    }
    if (counts.firstNotDot) {
        finding(15021);
    }
    // Joliet and UDF names are not held to the ISO 9660 character sets.
    const bool isoNames = layout.highSierra || !(joliet || hasFlag(track, track_flags::kUdf));
    if (isoNames) {
        if (counts.nameClass < iso_chars::kACharacters) {
            AddAnalysisLine(15022, "ISO-9660");
        } else if (counts.nameClass == iso_chars::kOther) {
            AddAnalysisLine(15022, "MS-DOS");
        } else if (counts.nameClass == iso_chars::kNotForDos) {
            AddAnalysisLine(15023);
        }
        if (track.depth > kMaxDepth) {
            AddAnalysisLine(counts.nameClass < iso_chars::kACharacters ? 15029 : 15030,
                            track.depth);
            MarkQuestionable();
        }
    }
    if (counts.missing > 0) {
        AddAnalysisLine(15024, counts.missing);
        MarkQuestionable();
    }
    if (isoNames) {
        if (counts.noVersionAnywhere) {
            AddAnalysisLine(15028);
        } else if (counts.someWithoutVersion) {
            AddAnalysisLine(15026);
        }
    }
}

void analyzeVolume(const TrackInfo& track, const DescriptorLayout& layout) {
    AddAnalysisLine(15032, int{track.track}, int{track.session});
    Sector block{};
    const std::int64_t descriptor = std::int64_t{track.start} + kVolumeDescriptorBlock;
    if (!ReadSector(descriptor, block)) {
        AddAnalysisLine(15008, descriptor, int{track.track});
        return;
    }
    if (!layout.highSierra && Le32(block, kRootDirectoryLength) == 0) {
        finding(15071);
    }
    checkXaMode(track, layout);
    checkSizes(track, block, layout);
    checkIdentifiers(track, block, layout);
    if (track.root == nullptr) {
        finding(15016);
        return;
    }
    checkTree(track, layout);
    const bool linkedFiles = track.session > 1;
    if (layout.highSierra && linkedFiles) {
        ReportLinkedFiles(track);
    }
    if (!IsTwin(track)) {
        std::span<std::uint8_t, kSectorBytes> spare(block);
        CheckPostGap(track, &spare);
    }
    if (hasFlag(track, track_flags::kPacket)) {
        AddAnalysisLine(15066);
    }
    if (!layout.highSierra && linkedFiles) {
        ReportLinkedFiles(track);
    }
}

}  // namespace

void AnalyzeIsoTrack(const TrackInfo& track) {
    analyzeVolume(track, kIsoLayout);
}

void AnalyzeHighSierraTrack(const TrackInfo& track) {
    // High Sierra discs predate the rules the checks hold a disc to: their
    // findings inform, they don't decide.
    const bool passed = AnalysisPassed();
    analyzeVolume(track, kHighSierraLayout);
    RestoreAnalysisVerdict(passed);
}

}  // namespace kel::diag
