// Feeds arbitrary bytes, in arbitrary pieces, to the link's frame reader: it
// must accept or refuse them without reading past what it was given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/link/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses how the stream is cut, as a socket cuts it.
    std::size_t piece = 1 + data[0] % 64;
    std::span<const std::byte> stream(reinterpret_cast<const std::byte*>(data + 1), size - 1);
    kel::link::FrameReader reader;
    while (!stream.empty()) {
        std::span<const std::byte> input = stream.first(std::min(piece, stream.size()));
        stream = stream.subspan(input.size());
        while (!input.empty()) {
            auto status = reader.feed(input);
            if (status == kel::link::FrameReader::Status::Bad) {
                return 0;
            }
            if (status == kel::link::FrameReader::Status::Ready) {
                kel::link::Frame frame = reader.take();
                if (frame.payload.size() != frame.header.length ||
                    (frame.header.length != 0 && frame.header.kind != kel::link::FrameKind::Send)) {
                    __builtin_trap();
                }
            }
        }
    }
    return 0;
}
