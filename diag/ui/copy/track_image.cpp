#include "diag/ui/copy/track_image.h"

#include <vector>

#include "diag/ui/copy/block_reads.h"
#include "diag/ui/copy/part_file.h"

namespace kel::diag {
namespace {

bool SwitchRaw(CdDevice& device, const ImageRange& range, bool on) {
    return range.audio ? device.SetCddaMode(on) : device.SetRawMode(on);
}

}  // namespace

CopyOutcome CopyBlocksToImage(CdDevice& device, const ImageRange& range,
                              const std::filesystem::path& image, const CopySettings& settings,
                              CopyQuestions& questions) {
    CopyOutcome outcome;
    const std::string name = image.filename().string();
    if (range.first < 0 || range.count <= 0) {
        outcome.problems.push_back(name + ": the block range is empty");
        return outcome;
    }
    if (range.raw && !SwitchRaw(device, range, true)) {
        outcome.problems.push_back(name + ": the drive does not deliver whole sectors");
        return outcome;
    }
    PartFile out(image);
    BlockReads reads(device, settings, questions, outcome);
    std::vector<std::uint8_t> sector(range.raw ? kRawImageBytes : kCookedImageBytes);
    const std::uint64_t total = static_cast<std::uint64_t>(range.count) * sector.size();
    bool written = out.ok();
    for (std::int64_t n = 0; written && n < range.count; ++n) {
        if (!reads.Read(range.first + n, sector, name)) {
            break;
        }
        written = out.Write(sector);
        if (written &&
            !questions.progress(static_cast<std::uint64_t>(n + 1) * sector.size(), total)) {
            outcome.stopped = true;
        }
        if (outcome.stopped) {
            break;
        }
    }
    if (range.raw) {
        SwitchRaw(device, range, false);
    }
    if (!written || (!outcome.stopped && !out.Commit())) {
        outcome.problems.push_back(name + ": it cannot be written");
    } else if (!outcome.stopped) {
        outcome.files = 1;
    }
    return outcome;
}

}  // namespace kel::diag
