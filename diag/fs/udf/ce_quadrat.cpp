// The compression one packet-writing program applied to file extents: a
// 32-bit identifier, then control bytes, each with a count in its low six
// bits and an operation in its top two: copy literal bytes, copy from
// earlier output (one- or two-byte distance), or repeat one byte.
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/tools/debug_log.h"

namespace kel::diag {
namespace {

constexpr std::uint32_t kCompressionId = 0x14850;

bool Fail(const char* text) {
    if (udf::DebugOn()) {
        DebugLog("%s", text);
    }
    return false;
}

}  // namespace

bool ExpandCeQuadratBlock(const CeQuadratBlock& block) {
    const std::span<const std::uint8_t> in = block.input;
    const std::span<std::uint8_t> out = block.output;
    if (udf::Le32(in, 0) != kCompressionId || in.size() < 4) {
        return Fail("CeQuadrat compression id mismatch.");
    }
    std::size_t at = 4;
    std::size_t written = 0;
    while (at < in.size() && written < out.size()) {
        const std::uint8_t control = in[at++];
        const std::size_t count = std::min<std::size_t>(control & 0x3F, out.size() - written);
        switch (control >> 6) {
            case 0:
                if (in.size() - at < count) {
                    return Fail("CeQuadrat compression length mismatch.");
                }
                std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), count,
                            out.begin() + static_cast<std::ptrdiff_t>(written));
                at += count;
                break;
            case 1:
            case 2: {
                const std::size_t width = control >> 6;
                if (in.size() - at < width) {
                    return Fail("CeQuadrat compression length mismatch.");
                }
                const std::size_t distance = udf::LeField(in, at, width);
                at += width;
                if (distance == 0 || distance > written) {
                    return Fail("CeQuadrat compression length mismatch.");
                }
                // Byte by byte: the source may run into what this copy writes.
                for (std::size_t i = 0; i < count; ++i) {
                    out[written + i] = out[written + i - distance];
                }
                break;
            }
            default:
                if (at >= in.size()) {
                    return Fail("CeQuadrat compression length mismatch.");
                }
                std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(written), count, in[at++]);
                break;
        }
        written += count;
    }
    if (written != out.size()) {
        return Fail("CeQuadrat compression length mismatch.");
    }
    return true;
}

}  // namespace kel::diag
