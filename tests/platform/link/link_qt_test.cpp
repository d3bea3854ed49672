// The compare program's pattern: a worker thread sends the request, and the
// reply, sent back to a window of the main thread, is handled by the main
// thread's Qt event loop while the worker waits.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/link/qt_link.h"
#include "platform/link/send.h"
#include "platform/link/window.h"
#include "tests/platform/link/peer_process.h"
#include "tests/platform/link/peer_protocol.h"

namespace kel::link {
namespace {

// A Qt program's main thread serving its windows, and a serving peer.
struct QtLinkWithPeer {
    test::ScopedLinkDir dir;
    int argc = 1;
    char name[13] = "link_qt_test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QtLink qtLink;
    test::PeerProcess server{{"serve"}};
    Handle peerWindow = server.window();
};

TEST(QtLink, WorkerSendsAndTheMainThreadHandlesTheReply) {
    QtLinkWithPeer fixture;
    QCoreApplication& app = fixture.app;
    Handle peerWindow = fixture.peerWindow;

    std::atomic<bool> workerWaiting{false};
    std::thread::id replyThread;
    bool replyWhileWorkerWaited = false;
    std::string reply;
    Window client([&](const Message& m) {
        replyThread = std::this_thread::get_id();
        replyWhileWorkerWaited = workerWaiting.load();
        reply.assign(reinterpret_cast<const char*>(m.data.data()), m.data.size());
        return std::int64_t{11};
    });

    SendResult result;
    std::thread worker([&] {
        std::string request = "0\r\n";
        workerWaiting = true;
        result = sendCopyData(peerWindow, client.handle(), peer::Reply,
                              std::as_bytes(std::span(request)));
        workerWaiting = false;
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(10000, &app, [&] { app.exit(1); });
    int code = app.exec();
    worker.join();

    EXPECT_EQ(code, 0) << "timed out";
    ASSERT_TRUE(result.delivered());
    EXPECT_EQ(result.result, 11);
    EXPECT_EQ(reply, "0\r\n");
    EXPECT_EQ(replyThread, std::this_thread::get_id());
    EXPECT_TRUE(replyWhileWorkerWaited);
}

TEST(QtLink, RepliesReachTheMainThreadWhetherItPollsOrSleeps) {
    // Requests in quick succession find the main thread polling its lanes;
    // one made after a pause finds it asleep in its event loop, and the
    // reply must wake it. Neither may be lost.
    QtLinkWithPeer fixture;
    QCoreApplication& app = fixture.app;
    Handle peerWindow = fixture.peerWindow;
    int replies = 0;
    Window client([&](const Message&) {
        ++replies;
        return std::int64_t{11};
    });

    int delivered = 0;
    std::thread worker([&] {
        std::string request = "0\r\n";
        for (int round = 0; round < 6; ++round) {
            for (int i = 0; i < 50; ++i) {
                SendResult result = sendCopyData(peerWindow, client.handle(), peer::Reply,
                                                 std::as_bytes(std::span(request)));
                delivered += result.delivered() && result.result == 11;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(20000, &app, [&] { app.exit(1); });
    int code = app.exec();
    worker.join();

    EXPECT_EQ(code, 0) << "timed out";
    EXPECT_EQ(delivered, 300);
    EXPECT_EQ(replies, 300);
}

TEST(QtLink, MainThreadSleepsWhileAWorkersSendWaitsOnASlowPeer) {
    // A reply wakes the main thread, and the worker's next request then
    // waits on the peer for a long while: the event loop must sleep through
    // that wait, not pass round and round polling the link.
    QtLinkWithPeer fixture;
    QCoreApplication& app = fixture.app;
    Handle peerWindow = fixture.peerWindow;
    Window client([](const Message&) { return std::int64_t{11}; });

    std::atomic<bool> slowSendWaits{false};
    int passesDuringTheWait = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &app, [&] { passesDuringTheWait += slowSendWaits.load() ? 1 : 0; });
    SendResult replied;
    SendResult slow;
    std::thread worker([&] {
        std::string request = "0\r\n";
        replied = sendCopyData(peerWindow, client.handle(), peer::Reply,
                               std::as_bytes(std::span(request)));
        slowSendWaits = true;
        slow = sendCopyData(peerWindow, client.handle(), peer::Slow, {});
        slowSendWaits = false;
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(10000, &app, [&] { app.exit(1); });
    int code = app.exec();
    worker.join();

    EXPECT_EQ(code, 0) << "timed out";
    EXPECT_EQ(replied.result, 11);
    EXPECT_EQ(slow.result, peer::kSlowResult);
    // A loop that sleeps passes a few times; one that polls, thousands.
    EXPECT_LT(passesDuringTheWait, 1000);
}

}  // namespace
}  // namespace kel::link
