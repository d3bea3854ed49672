#include <array>

#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"

namespace kel::diag {

bool UdfImplementationId(const TrackInfo& track, std::string& text) {
    using namespace udf;
    text.clear();
    if (track.root == nullptr) {
        return false;
    }
    std::array<std::uint8_t, 2048> block{};
    if (!ReadBlocks(static_cast<std::int32_t>(track.root->reserved2), block)) {
        return false;
    }
    std::size_t at = volume_field::kImplementationId;
    const std::size_t end = at + volume_field::kImplementationIdLength;
    if (block[at] == '*') {
        ++at;
    }
    for (; at < end && block[at] != 0; ++at) {
        text += static_cast<char>(block[at]);
    }
    return true;
}

}  // namespace kel::diag
