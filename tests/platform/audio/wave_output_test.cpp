#include "platform/audio/wave_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "platform/audio/wav_format.h"
#include "platform/audio/wav_playback.h"
#include "tests/support/temp_folder.h"

namespace kel::audio {
namespace {

class WaveOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::makeUniqueFolder("kel_audio_");
        ::setenv("KEL_AUDIO_OUT", out().c_str(), 1);
    }
    void TearDown() override {
        waitForEventSound();
        ::unsetenv("KEL_AUDIO_OUT");
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path out() const { return dir_ / "out.wav"; }

    std::vector<std::uint8_t> bytesOf(const std::filesystem::path& file) const {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path writeSound(const char* name, const std::vector<std::int16_t>& samples) {
        std::vector<std::uint8_t> bytes = wavHeader(static_cast<std::uint32_t>(samples.size() * 2));
        for (std::int16_t s : samples) {
            bytes.push_back(static_cast<std::uint8_t>(s));
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
        }
        const auto file = dir_ / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return file;
    }

    std::filesystem::path dir_;
};

TEST_F(WaveOutputTest, AFileOutputWritesAWavFileThatReadsBack) {
    {
        OpenedOutput opened = openWaveOutput();
        ASSERT_EQ(opened.output->kind(), OutputKind::File);
        EXPECT_TRUE(opened.output->write(std::vector<std::int16_t>{1, -1, 2, -2}));
        EXPECT_TRUE(opened.output->write(std::vector<std::int16_t>{3, -3, 99}));  // odd: 99 dropped
        opened.output->drain();
    }
    std::string error;
    const auto decoded = decodeWav(bytesOf(out()), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->samples, (std::vector<std::int16_t>{1, -1, 2, -2, 3, -3}));
}

TEST_F(WaveOutputTest, PlayingAFileCopiesItsSamples) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 44100; ++i) {  // half a second, more than one chunk
        samples.push_back(static_cast<std::int16_t>(i));
    }
    std::string error;
    ASSERT_TRUE(playWavFile(writeSound("in.wav", samples), error)) << error;
    const auto decoded = decodeWav(bytesOf(out()), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->samples, samples);
}

TEST_F(WaveOutputTest, PlayingAnUnreadableFileSaysWhy) {
    std::string error;
    EXPECT_FALSE(playWavFile(dir_ / "absent.wav", error));
    EXPECT_FALSE(error.empty());
    std::ofstream(dir_ / "junk.wav") << "not a sound";
    EXPECT_FALSE(playWavFile(dir_ / "junk.wav", error));
    EXPECT_EQ(error, "not a RIFF WAVE file");
    EXPECT_FALSE(std::filesystem::exists(out()));
}

TEST_F(WaveOutputTest, TheLastAsyncSoundIsTheOneThatPlaysToItsEnd) {
    const auto longSound = writeSound("long.wav", std::vector<std::int16_t>(44100 * 2 * 5, 5));
    const auto shortSound = writeSound("short.wav", std::vector<std::int16_t>(20, 7));
    playWavFileAsync(longSound);
    playWavFileAsync(shortSound);
    waitForEventSound();
    // Each sound opens the output afresh: the file holds the last one whole.
    std::string error;
    const auto last = decodeWav(bytesOf(out()), error);
    ASSERT_TRUE(last) << error;
    EXPECT_EQ(last->samples, std::vector<std::int16_t>(20, 7));
}

TEST_F(WaveOutputTest, AnUnwritableTargetFallsBackToTimedSilence) {
    ::setenv("KEL_AUDIO_OUT", (dir_ / "no-such-folder" / "x.wav").c_str(), 1);
    OpenedOutput opened = openWaveOutput();
    EXPECT_EQ(opened.output->kind(), OutputKind::Silence);
    EXPECT_EQ(opened.silenceReason, kNoDevice);
    EXPECT_FALSE(opened.silenceText.empty());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(opened.output->write(std::vector<std::int16_t>(4410 * 2, 0)));  // 100 ms
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
}

TEST_F(WaveOutputTest, WithoutATargetFileTheSoundDeviceOrSilenceWithItsReason) {
    ::unsetenv("KEL_AUDIO_OUT");
    OpenedOutput opened = openWaveOutput();
    ASSERT_NE(opened.output, nullptr);
    if (opened.output->kind() == OutputKind::Device) {
        EXPECT_EQ(opened.silenceReason, 0);
        EXPECT_TRUE(opened.output->write(std::vector<std::int16_t>(441 * 2, 0)));
        opened.output->drain();
    } else {
        EXPECT_EQ(opened.output->kind(), OutputKind::Silence);
        EXPECT_NE(opened.silenceReason, 0);
        EXPECT_FALSE(opened.silenceText.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(out()));
}

}  // namespace
}  // namespace kel::audio
