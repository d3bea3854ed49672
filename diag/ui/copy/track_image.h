// Copying a range of blocks, or a whole track, into an image file: cooked
// (2,048 user bytes a block) or raw (2,352 bytes a block, as the drive
// delivers whole sectors).
#pragma once

#include <cstdint>
#include <filesystem>

#include "diag/device/cd_device.h"
#include "diag/ui/copy/copy_questions.h"

namespace kel::diag {

inline constexpr std::size_t kCookedImageBytes = 2048;
inline constexpr std::size_t kRawImageBytes = 2352;

struct ImageRange {
    std::int64_t first = 0;
    std::int64_t count = 0;
    bool raw = false;
    // Raw sectors of an audio track come in the drive's CD-DA mode.
    bool audio = false;
};

CopyOutcome CopyBlocksToImage(CdDevice& device, const ImageRange& range,
                              const std::filesystem::path& image, const CopySettings& settings,
                              CopyQuestions& questions);

}  // namespace kel::diag
