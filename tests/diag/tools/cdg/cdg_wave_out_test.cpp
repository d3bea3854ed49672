// The wave output's done marks as the player thread reads them to know that
// the last buffer has played.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "diag/tools/cdg/cdg_wave_out.h"

namespace kel::diag {
namespace {

// An output that plays a buffer only when the test lets it.
class GatedOutput final : public audio::WaveOutput {
public:
    bool write(std::span<const std::int16_t>) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return allowed_ > 0; });
        --allowed_;
        return true;
    }
    void drain() override {}
    audio::OutputKind kind() const override { return audio::OutputKind::Device; }

    void allow() {
        {
            std::lock_guard lock(mutex_);
            ++allowed_;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int allowed_ = 0;
};

template <typename Condition>
bool within(std::chrono::milliseconds limit, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

// The ring comes round fast: the decoding that the end of a buffer's play
// asks for frees it, it is read and written again, all before the output's
// thread has finished with its first round. That round's end must not mark
// the second round done, or the player would stop with the track unplayed.
TEST(CdgWaveOut, ABufferWrittenAgainStaysPendingUntilItsNewRoundPlays) {
    auto owned = std::make_unique<GatedOutput>();
    GatedOutput& gate = *owned;
    const std::array<std::uint8_t, kCdgAudioBytes> audio{};
    std::atomic<int> told{0};
    CdgWaveOut* wave = nullptr;
    CdgWaveOut out(std::move(owned), [&](int buffer) {
        if (told++ == 0) {
            wave->Write(buffer, audio);
        }
    });
    wave = &out;
    EXPECT_TRUE(out.Done(3)) << "every header starts done";
    out.Write(3, audio);
    EXPECT_FALSE(out.Done(3));
    gate.allow();
    ASSERT_TRUE(within(std::chrono::seconds(5), [&] { return told.load() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(out.Done(3)) << "the second round has not played";
    gate.allow();
    EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return out.Done(3); }));
    EXPECT_EQ(told.load(), 2);
}

}  // namespace
}  // namespace kel::diag
