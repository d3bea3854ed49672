#include "diag/ui/sound_events.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "platform/audio/wav_format.h"
#include "platform/audio/wav_playback.h"
#include "platform/registry/key.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

class SoundEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kel::test::makeUniqueFolder("kel_sounds_");
        saveEnvironment("KEL_REGISTRY_DIR");
        saveEnvironment("KEL_AUDIO_OUT");
        ::setenv("KEL_REGISTRY_DIR", (dir_ / "registry").c_str(), 1);
        ::setenv("KEL_AUDIO_OUT", played().c_str(), 1);
    }
    void TearDown() override {
        audio::waitForEventSound();
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        std::filesystem::remove_all(dir_);
    }

    void saveEnvironment(const char* name) {
        const char* value = std::getenv(name);
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    std::filesystem::path played() const { return dir_ / "played.wav"; }

    // A sound file of `frames` frames, every sample `value`.
    std::filesystem::path makeSound(const char* name, std::uint32_t frames, std::int16_t value) {
        std::vector<std::uint8_t> bytes = audio::wavHeader(frames * 4);
        for (std::uint32_t i = 0; i < frames * 2; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value));
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8));
        }
        const std::filesystem::path file = dir_ / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return file;
    }

    void configure(std::string_view event, const std::string& file) {
        auto key = registry::Key::create(registry::Root::CurrentUser, EventSoundKeyPath(event));
        ASSERT_TRUE(key.ok());
        ASSERT_EQ(key.value().writeString("", file), registry::Status::Ok);
    }

    std::uintmax_t playedBytes() {
        audio::waitForEventSound();
        std::error_code ec;
        const auto size = std::filesystem::file_size(played(), ec);
        return ec ? 0 : size;
    }

    std::filesystem::path dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SoundEventsTest, TheKeyPathNamesTheEvent) {
    EXPECT_EQ(EventSoundKeyPath("ScanComplete"),
              "AppEvents\\Schemes\\Apps\\QuillonApp\\MORVALE-ScanComplete\\.Current");
}

TEST_F(SoundEventsTest, AConfiguredSoundIsPlayed) {
    configure("ScanComplete", makeSound("done.wav", 441, 1000).string());
    PlayEventSound("ScanComplete");
    EXPECT_EQ(playedBytes(), 44u + 441u * 4u);
}

TEST_F(SoundEventsTest, AnEmptyValueOrMissingKeyPlaysNothing) {
    configure("Message", "");
    PlayEventSound("Message");
    PlayEventSound("Prompt");
    EXPECT_EQ(playedBytes(), 0u);
}

TEST_F(SoundEventsTest, MessagesPlayMessageForStyleZeroAndPromptOtherwise) {
    configure("Message", makeSound("message.wav", 100, 1).string());
    configure("Prompt", makeSound("prompt.wav", 300, 2).string());
    PlayMessageSound(0);
    EXPECT_EQ(playedBytes(), 44u + 100u * 4u);
    PlayMessageSound(0x0104);
    EXPECT_EQ(playedBytes(), 44u + 300u * 4u);
}

TEST_F(SoundEventsTest, AnUnreadableSoundFileIsSkipped) {
    configure("Message", (dir_ / "absent.wav").string());
    PlayEventSound("Message");
    EXPECT_EQ(playedBytes(), 0u);
}

}  // namespace
}  // namespace kel::diag
