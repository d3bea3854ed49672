#include "frame.h"

#include <algorithm>
#include <cstring>

namespace kel::link {
namespace {

constexpr std::uint32_t kMagic = 0x4B4E4C4B;  // "KLNK" read little-endian

template <typename T>
void put(std::array<std::byte, kFrameHeaderSize>& out, std::size_t at, T value) {
    auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out[at + i] = static_cast<std::byte>(bits >> (8 * i));
    }
}

template <typename T>
T get(std::span<const std::byte, kFrameHeaderSize> in, std::size_t at) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bits |= static_cast<std::uint64_t>(in[at + i]) << (8 * i);
    }
    return static_cast<T>(bits);
}

}  // namespace

std::array<std::byte, kFrameHeaderSize> encodeHeader(const FrameHeader& header) {
    std::array<std::byte, kFrameHeaderSize> out{};
    put(out, 0, kMagic);
    put(out, 4, static_cast<std::uint8_t>(header.kind));
    put(out, 8, header.msg);
    put(out, 12, header.length);
    put(out, 16, header.wParam);
    put(out, 24, header.lParam);
    return out;
}

std::array<std::byte, kFrameHeaderSize> encodeRing() {
    return encodeHeader(FrameHeader{FrameKind::Ring, 0, 0, 0, 0});
}

bool decodeHeader(std::span<const std::byte, kFrameHeaderSize> bytes, FrameHeader& header,
                  std::string& error) {
    if (get<std::uint32_t>(bytes, 0) != kMagic) {
        error = "bad magic";
        return false;
    }
    auto kind = get<std::uint8_t>(bytes, 4);
    if (kind < static_cast<std::uint8_t>(FrameKind::Post) ||
        kind > static_cast<std::uint8_t>(FrameKind::Ring)) {
        error = "unknown frame kind " + std::to_string(kind);
        return false;
    }
    if (bytes[5] != std::byte{0} || bytes[6] != std::byte{0} || bytes[7] != std::byte{0}) {
        error = "nonzero padding";
        return false;
    }
    header.kind = static_cast<FrameKind>(kind);
    header.msg = get<std::uint32_t>(bytes, 8);
    header.length = get<std::uint32_t>(bytes, 12);
    header.wParam = get<std::uint64_t>(bytes, 16);
    header.lParam = get<std::int64_t>(bytes, 24);
    if (header.length > kMaxFramePayload) {
        error = "payload of " + std::to_string(header.length) + " bytes exceeds the limit";
        return false;
    }
    if (header.length != 0 && header.kind != FrameKind::Send) {
        error = "payload on a frame that carries none";
        return false;
    }
    return true;
}

FrameReader::Status FrameReader::feed(std::span<const std::byte>& input) {
    if (!error_.empty()) {
        return Status::Bad;
    }
    if (!headerDone_) {
        std::size_t n = std::min(input.size(), kFrameHeaderSize - headerFill_);
        if (n > 0) {
            std::memcpy(headerBytes_.data() + headerFill_, input.data(), n);
        }
        headerFill_ += n;
        input = input.subspan(n);
        if (headerFill_ < kFrameHeaderSize) {
            return Status::NeedMore;
        }
        if (!decodeHeader(headerBytes_, frame_.header, error_)) {
            return Status::Bad;
        }
        headerDone_ = true;
        frame_.payload.resize(frame_.header.length);
        payloadFill_ = 0;
    }
    std::size_t n = std::min(input.size(), frame_.payload.size() - payloadFill_);
    if (n > 0) {
        std::memcpy(frame_.payload.data() + payloadFill_, input.data(), n);
    }
    payloadFill_ += n;
    input = input.subspan(n);
    return payloadFill_ == frame_.payload.size() ? Status::Ready : Status::NeedMore;
}

Frame FrameReader::take() {
    Frame out = std::move(frame_);
    frame_ = Frame{};
    headerFill_ = 0;
    headerDone_ = false;
    payloadFill_ = 0;
    return out;
}

}  // namespace kel::link
