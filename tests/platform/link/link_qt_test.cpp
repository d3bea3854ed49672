// The compare program's pattern: a worker thread sends the request, and the
// reply, sent back to a window of the main thread, is handled by the main
// thread's Qt event loop while the worker waits.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/link/qt_link.h"
#include "platform/link/send.h"
#include "platform/link/window.h"
#include "tests/platform/link/peer_process.h"
#include "tests/platform/link/peer_protocol.h"

namespace kel::link {
namespace {

TEST(QtLink, WorkerSendsAndTheMainThreadHandlesTheReply) {
    test::ScopedLinkDir dir;
    int argc = 1;
    char name[] = "link_qt_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QtLink qtLink;

    test::PeerProcess server({"serve"});
    Handle peerWindow = server.window();

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

}  // namespace
}  // namespace kel::link
