#include "platform/audio/wav_format.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/audio/wave_output.h"

namespace kel::audio {
namespace {

// A RIFF file with a format chunk of the given shape and raw sample bytes.
std::vector<std::uint8_t> wavFile(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                  std::uint16_t bits, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    };
    auto tag4 = [&](const char* t) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<std::uint8_t>(t[i]));
        }
    };
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    tag4("RIFF");
    put(36 + static_cast<std::uint32_t>(data.size()), 4);
    tag4("WAVE");
    tag4("LIST");  // a chunk of no interest, odd-sized and padded
    put(3, 4);
    out.insert(out.end(), {'a', 'b', 'c', 0});
    tag4("fmt ");
    put(16, 4);
    put(tag, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * align, 4);
    put(align, 2);
    put(bits, 2);
    tag4("data");
    put(static_cast<std::uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::uint8_t> le16(std::initializer_list<std::int16_t> samples) {
    std::vector<std::uint8_t> bytes;
    for (std::int16_t s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s));
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
    }
    return bytes;
}

TEST(WavHeader, DescribesTheOutputFormat) {
    const std::vector<std::uint8_t> header = wavHeader(1000);
    ASSERT_EQ(header.size(), 44u);
    EXPECT_EQ(std::memcmp(header.data(), "RIFF", 4), 0);
    EXPECT_EQ(header[4] | header[5] << 8, 1036);
    EXPECT_EQ(std::memcmp(header.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(header[22], 2);                        // channels
    EXPECT_EQ(header[24] | header[25] << 8, 44100);  // rate
    EXPECT_EQ(header[28] | header[29] << 8 | header[30] << 16, 176400);
    EXPECT_EQ(header[32], 4);   // block alignment
    EXPECT_EQ(header[34], 16);  // bits
    EXPECT_EQ(header[40] | header[41] << 8, 1000);
}

TEST(DecodeWav, OutputFormatPassesThroughUnchanged) {
    std::string error;
    const auto decoded = decodeWav(wavFile(1, 2, 44100, 16, le16({1, -2, 300, -32768})), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->samples, (std::vector<std::int16_t>{1, -2, 300, -32768}));
}

TEST(DecodeWav, MonoEightBitIsWidenedAndDoubled) {
    std::string error;
    const auto decoded = decodeWav(wavFile(1, 1, 44100, 8, {128, 255, 0}), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->samples,
              (std::vector<std::int16_t>{0, 0, 127 * 256, 127 * 256, -32768, -32768}));
}

TEST(DecodeWav, OtherRatesAreResampledLinearly) {
    std::string error;
    // 22050 Hz mono: every input frame gives two output frames, the second
    // halfway to the next input frame.
    const auto decoded = decodeWav(wavFile(1, 1, 22050, 16, le16({0, 1000, 2000})), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->samples, (std::vector<std::int16_t>{0, 0, 500, 500, 1000, 1000, 1500, 1500,
                                                           2000, 2000, 2000, 2000}));
    const auto down = decodeWav(wavFile(1, 2, 88200, 16, le16({1, 2, 3, 4, 5, 6, 7, 8})), error);
    ASSERT_TRUE(down) << error;
    EXPECT_EQ(down->samples, (std::vector<std::int16_t>{1, 2, 5, 6}));
}

TEST(DecodeWav, DamagedOrUnsupportedFilesAreRefusedWithAReason) {
    std::string error;
    EXPECT_FALSE(decodeWav({}, error));
    EXPECT_EQ(error, "not a RIFF WAVE file");
    EXPECT_FALSE(decodeWav(wavFile(3, 2, 44100, 32, le16({0, 0})), error));
    EXPECT_EQ(error, "not PCM (format 3)");
    EXPECT_FALSE(decodeWav(wavFile(1, 2, 44100, 24, {0, 0, 0, 0, 0, 0}), error));
    EXPECT_EQ(error, "24-bit samples are not supported");
    EXPECT_FALSE(decodeWav(wavFile(1, 0, 44100, 16, {}), error));
    EXPECT_FALSE(decodeWav(wavFile(1, 2, 0, 16, {}), error));
    EXPECT_EQ(error, "bad channel count or sample rate");

    std::vector<std::uint8_t> noData = wavFile(1, 2, 44100, 16, {});
    noData.resize(noData.size() - 8);
    EXPECT_FALSE(decodeWav(noData, error));
    EXPECT_EQ(error, "no data chunk");
}

TEST(DecodeWav, SizesBeyondTheFileAreCutToWhatIsThere) {
    std::vector<std::uint8_t> file = wavFile(1, 2, 44100, 16, le16({7, 8, 9, 10, 11}));
    // The data chunk claims four gigabytes; the RIFF size too.
    std::memset(file.data() + file.size() - 14, 0xFF, 4);
    std::memset(file.data() + 4, 0xFF, 4);
    std::string error;
    const auto decoded = decodeWav(file, error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->samples, (std::vector<std::int16_t>{7, 8, 9, 10}));  // whole frames only
}

TEST(DecodeWav, EveryTruncationFailsCleanlyOrDecodes) {
    const std::vector<std::uint8_t> file = wavFile(1, 1, 8000, 8, std::vector<std::uint8_t>(64, 9));
    for (std::size_t size = 0; size <= file.size(); ++size) {
        std::string error;
        const std::vector<std::uint8_t> part(file.begin(), file.begin() + size);
        const auto decoded = decodeWav(part, error);
        EXPECT_TRUE(decoded || !error.empty()) << size;
    }
}

}  // namespace
}  // namespace kel::audio
