#include <array>
#include <string>
#include <string_view>

#include "diag/device/device_access.h"
#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/disc_reads.h"
#include "diag/fs/le_fields.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// The boot record volume descriptor follows the primary one.
constexpr std::int64_t kBootRecordBlock = 17;
constexpr std::string_view kBootRecordStart{"\0CD001\1EL TORITO SPECIFICATION\0", 31};
constexpr std::size_t kCatalogPointer = 71;

// Validation entry and default entry of the boot catalog.
constexpr std::size_t kHeaderId = 0;
constexpr std::size_t kPlatform = 1;
constexpr std::size_t kDeveloper = 4;
constexpr std::size_t kDeveloperLength = 24;
constexpr std::size_t kKey55 = 30;
constexpr std::size_t kKeyAA = 31;
constexpr std::size_t kBootIndicator = 32;
constexpr std::size_t kMedia = 33;
constexpr std::size_t kLoadSegment = 34;
constexpr std::size_t kSectorCount = 38;
constexpr std::size_t kLoadBlock = 40;
constexpr std::size_t kNextEntry = 64;
constexpr std::uint8_t kBootable = 0x88;
constexpr std::uint16_t kDefaultLoadSegment = 0x7C0;

std::string_view platformName(std::uint8_t platform) {
    static constexpr std::array<std::string_view, 3> kNames = {"80x86", "PowerPC", "Mac"};
    return platform < kNames.size() ? kNames[platform] : "** Undefined **";
}

std::string mediaName(std::uint8_t media) {
    static constexpr std::array<std::string_view, 5> kNames = {"No emulation", "1.2MB", "1.44MB",
                                                               "2.88MB", "Hard Disk"};
    const std::size_t kind = media & 0x0F;
    std::string name(kind < kNames.size() ? kNames[kind] : kNames[0]);
    if ((media & 0x40) != 0) {
        name += ",ATAPI";
    }
    if ((media & 0x80) != 0) {
        name += ",SCSI";
    }
    return name;
}

// One of the two texts of message 15175, "bootable;not bootable".
std::string bootableText(bool bootable) {
    const std::string both = LoadResString(15175);
    const std::size_t split = both.find(';');
    if (split == std::string::npos) {
        return bootable ? both : std::string();
    }
    return bootable ? both.substr(0, split) : both.substr(split + 1);
}

void reportCatalog(const Sector& catalog) {
    if (catalog[kHeaderId] != 1 || catalog[kKey55] != 0x55 || catalog[kKeyAA] != 0xAA) {
        AddAnalysisLine(15173, int{catalog[kKey55]}, int{catalog[kKeyAA]});
        return;
    }
    const std::uint8_t platform = catalog[kPlatform];
    const std::string developer = catalog[kDeveloper] == 0
                                      ? LoadResString(15178)
                                      : FieldText(catalog, kDeveloper, kDeveloperLength);
    AddAnalysisLine(15174, developer, platformName(platform));

    std::uint32_t load = Le16(catalog, kLoadSegment);
    if (load == 0) {
        load = kDefaultLoadSegment;
    }
    if (platform != 0) {
        load *= 16;
    }
    const auto sectors = static_cast<std::int16_t>(Le16(catalog, kSectorCount));
    AddAnalysisLine(15176, bootableText(catalog[kBootIndicator] == kBootable),
                    mediaName(catalog[kMedia]), int{sectors}, load, Le32(catalog, kLoadBlock));
    if (catalog[kNextEntry] != 0) {
        AddAnalysisLine(15177);
    }
}

}  // namespace

void CheckBootCatalog(const TrackInfo& first) {
    const QuietDrive quiet;
    Sector block{};
    if (!ReadSector(std::int64_t{first.start} + kBootRecordBlock, block) ||
        !FieldEquals(block, 0, kBootRecordStart)) {
        return;
    }
    AddAnalysisRule();
    const std::uint32_t catalogBlock = Le32(block, kCatalogPointer);
    AddAnalysisLine(15171, catalogBlock);
    if (!ReadSector(catalogBlock, block)) {
        const CdDevice* device = CurrentDevice();
        AddAnalysisLine(15172, device ? int{device->senseAsc} : 0,
                        device ? int{device->senseAscq} : 0);
        return;
    }
    reportCatalog(block);
}

}  // namespace kel::diag
