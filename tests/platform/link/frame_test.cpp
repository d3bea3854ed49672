#include "platform/link/frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace kel::link {
namespace {

std::vector<std::byte> sendFrame(std::uint32_t length, std::byte fill) {
    FrameHeader header{FrameKind::Send, 0x4A, length, 0x12345678, -5};
    auto head = encodeHeader(header);
    std::vector<std::byte> bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), length, fill);
    return bytes;
}

TEST(Frame, HeaderRoundTripsEveryField) {
    FrameHeader in{FrameKind::Broadcast, 0xC003, 0, 0xFFFFFFFF00000001ull, INT64_MIN};
    auto bytes = encodeHeader(in);
    FrameHeader out;
    std::string error;
    ASSERT_TRUE(decodeHeader(bytes, out, error)) << error;
    EXPECT_EQ(out.kind, in.kind);
    EXPECT_EQ(out.msg, in.msg);
    EXPECT_EQ(out.length, 0u);
    EXPECT_EQ(out.wParam, in.wParam);
    EXPECT_EQ(out.lParam, in.lParam);
}

TEST(Frame, MalformedHeadersAreRefusedWithAReason) {
    struct Case {
        const char* name;
        std::size_t offset;
        std::byte value;
        FrameKind kind;
        std::uint32_t length;
        const char* reason;
    };
    const Case cases[] = {
        {"magic", 0, std::byte{'X'}, FrameKind::Post, 0, "bad magic"},
        {"kind zero", 4, std::byte{0}, FrameKind::Post, 0, "unknown frame kind 0"},
        {"kind six", 4, std::byte{6}, FrameKind::Post, 0, "unknown frame kind 6"},
        {"padding", 6, std::byte{1}, FrameKind::Post, 0, "nonzero padding"},
        {"oversize", 0, std::byte{0x4B}, FrameKind::Send, kMaxFramePayload + 1, "exceeds"},
        {"payload on a post", 0, std::byte{0x4B}, FrameKind::Post, 1, "carries none"},
        {"payload on a result", 0, std::byte{0x4B}, FrameKind::Result, 8, "carries none"},
    };
    for (const Case& c : cases) {
        auto bytes = encodeHeader(FrameHeader{c.kind, 1, c.length, 0, 0});
        bytes[c.offset] = c.value;
        FrameHeader out;
        std::string error;
        EXPECT_FALSE(decodeHeader(bytes, out, error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
}

TEST(FrameReader, ReassemblesFramesSplitAnywhere) {
    std::vector<std::byte> stream = sendFrame(70, std::byte{0xAB});
    auto second = sendFrame(0, std::byte{0});
    stream.insert(stream.end(), second.begin(), second.end());

    FrameReader reader;
    std::vector<Frame> frames;
    for (std::byte b : stream) {
        std::span<const std::byte> one(&b, 1);
        FrameReader::Status status = reader.feed(one);
        ASSERT_NE(status, FrameReader::Status::Bad) << reader.error();
        EXPECT_TRUE(one.empty());
        if (status == FrameReader::Status::Ready) {
            frames.push_back(reader.take());
        }
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].payload, std::vector<std::byte>(70, std::byte{0xAB}));
    EXPECT_EQ(frames[0].header.wParam, 0x12345678u);
    EXPECT_EQ(frames[0].header.lParam, -5);
    EXPECT_TRUE(frames[1].payload.empty());
    EXPECT_FALSE(reader.midFrame());
}

TEST(FrameReader, ARingCarriesNoPayload) {
    // A ring's length would name bytes nobody sends: refused, not waited for.
    auto head = encodeRing();
    std::vector<std::byte> stream(head.begin(), head.end());
    auto next = sendFrame(2, std::byte{0x5A});
    stream.insert(stream.end(), next.begin(), next.end());
    std::span<const std::byte> input(stream);
    FrameReader reader;
    ASSERT_EQ(reader.feed(input), FrameReader::Status::Ready);
    EXPECT_EQ(reader.take().header.kind, FrameKind::Ring);
    ASSERT_EQ(reader.feed(input), FrameReader::Status::Ready);
    EXPECT_EQ(reader.take().payload, std::vector<std::byte>(2, std::byte{0x5A}));

    FrameHeader decoded;
    std::string error;
    FrameHeader ring{FrameKind::Ring, 0, 28224, 0, 0};
    EXPECT_FALSE(decodeHeader(encodeHeader(ring), decoded, error));
    EXPECT_EQ(error, "payload on a frame that carries none");
}

TEST(FrameReader, StopsAtTheEndOfOneFrameAndStaysBadAfterGarbage) {
    std::vector<std::byte> stream = sendFrame(3, std::byte{1});
    stream.insert(stream.end(), 40, std::byte{0xEE});
    std::span<const std::byte> input(stream);
    FrameReader reader;
    ASSERT_EQ(reader.feed(input), FrameReader::Status::Ready);
    EXPECT_EQ(input.size(), 40u);
    EXPECT_EQ(reader.take().payload.size(), 3u);
    EXPECT_EQ(reader.feed(input), FrameReader::Status::Bad);
    EXPECT_EQ(reader.error(), "bad magic");
    auto good = sendFrame(0, std::byte{0});
    std::span<const std::byte> more(good);
    EXPECT_EQ(reader.feed(more), FrameReader::Status::Bad);
}

}  // namespace
}  // namespace kel::link
