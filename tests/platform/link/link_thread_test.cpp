// The link inside one process: loops, threads and handlers that misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/link/link_dir.h"
#include "platform/link/loop.h"
#include "platform/link/send.h"
#include "platform/link/window.h"
#include "tests/platform/link/peer_process.h"

namespace kel::link {
namespace {

using namespace std::chrono_literals;

class LinkThreadTest : public ::testing::Test {
protected:
    test::ScopedLinkDir dir;
    Loop loop;
};

TEST_F(LinkThreadTest, PostsArriveInOrderThroughTheLoop) {
    std::vector<std::int64_t> seen;
    Window window([&](const Message& m) {
        EXPECT_EQ(m.origin, Origin::Posted);
        seen.push_back(m.lParam);
        if (seen.size() == 100) {
            loop.quit(7);
        }
        return std::int64_t{0};
    });
    for (int i = 0; i < 100; ++i) {
        post(window.handle(), 0xC100, 0, i);
    }
    EXPECT_TRUE(seen.empty()) << "a post must not run inside post()";
    ASSERT_EQ(test::runWithin(loop), 7);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(seen[i], i);
    }
}

TEST_F(LinkThreadTest, QuitFromAnotherThreadOrBeforeRunEndsTheLoop) {
    loop.quit(3);
    EXPECT_EQ(loop.run(), 3);
    std::thread other([&] {
        std::this_thread::sleep_for(20ms);
        loop.quit(4);
    });
    EXPECT_EQ(loop.run(), 4);
    other.join();
}

TEST_F(LinkThreadTest, SendToAWindowOfThisThreadIsAPlainCall) {
    std::thread::id ranOn;
    Window window([&](const Message& m) {
        ranOn = std::this_thread::get_id();
        EXPECT_EQ(m.origin, Origin::Sent);
        EXPECT_EQ(m.dwData, 99u);
        return static_cast<std::int64_t>(m.data.size());
    });
    std::byte bytes[5]{};
    SendResult r = sendCopyData(window.handle(), window.handle(), 99, bytes);
    ASSERT_TRUE(r.delivered());
    EXPECT_EQ(r.result, 5);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(LinkThreadTest, WindowsOfAnotherThreadAreServedThere) {
    std::atomic<Handle> handle{0};
    std::atomic<std::thread::id> ranOn;
    Loop workerLoop;
    std::thread worker([&] {
        Window window([&](const Message& m) {
            ranOn = std::this_thread::get_id();
            return m.dwData == 1 ? std::int64_t{-77} : std::int64_t{0};
        });
        handle = window.handle();
        test::runWithin(workerLoop);
    });
    while (handle == 0) {
        std::this_thread::sleep_for(1ms);
    }
    SendResult r = sendCopyData(handle, 0, 1, {});
    ASSERT_TRUE(r.delivered());
    EXPECT_EQ(r.result, -77);
    EXPECT_EQ(ranOn.load(), worker.get_id());
    workerLoop.quit();
    worker.join();
    // Its window is closed now.
    EXPECT_EQ(sendCopyData(handle, 0, 1, {}).status, SendStatus::NoWindow);
}

TEST_F(LinkThreadTest, AThrowingHandlerAnswersZeroAndTheLoopGoesOn) {
    std::unique_ptr<Window> doomed;
    std::int64_t calls = 0;
    Loop workerLoop;
    std::atomic<Handle> handle{0};
    std::thread worker([&] {
        Window window([&](const Message& m) -> std::int64_t {
            ++calls;
            if (m.dwData == 1) {
                throw std::runtime_error("conversion error");
            }
            return 5;
        });
        handle = window.handle();
        test::runWithin(workerLoop);
    });
    while (handle == 0) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(sendCopyData(handle, 0, 1, {}).result, 0);
    EXPECT_EQ(sendCopyData(handle, 0, 2, {}).result, 5);
    workerLoop.quit();
    worker.join();
    EXPECT_EQ(calls, 2);
}

TEST_F(LinkThreadTest, AHandlerMayCloseItsOwnWindow) {
    std::unique_ptr<Window> window;
    window = std::make_unique<Window>([&](const Message&) {
        window.reset();
        loop.quit(0);
        return std::int64_t{0};
    });
    post(window->handle(), 0xC100, 0, 0);
    post(window->handle(), 0xC100, 0, 1);
    EXPECT_EQ(test::runWithin(loop), 0);
    EXPECT_EQ(window, nullptr);
}

// A long-running program opens and closes windows all its life: a closed
// window's slot must serve the next one, or the process runs out of them.
TEST_F(LinkThreadTest, ClosedWindowsGiveTheirSlotsBack) {
    auto quiet = [](const Message&) { return std::int64_t{0}; };
    Window kept(quiet);
    for (unsigned i = 0; i < 2 * kSlotsPerProcess; ++i) {
        ASSERT_NO_THROW(Window passing(quiet)) << "window " << i;
    }
}

}  // namespace
}  // namespace kel::link
