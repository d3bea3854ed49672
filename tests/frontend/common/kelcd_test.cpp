// Tkelcd on the real message link: whose handshake it takes, how it gives up
// on a server that never answers, and requests carried to a server window
// from the main thread and from a worker thread.
#include "frontend/common/kelcd.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "frontend/common/kel_cd_data.h"
#include "frontend/common/launchers.h"
#include "frontend/common/reply_lines.h"
#include "link_environment.h"
#include "platform/link/loop.h"
#include "platform/link/send.h"
#include "platform/link/window.h"
#include "scripted_client.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// A server window on a thread of its own that answers every request with the
// lines `reply` makes of it.
class ThreadServer {
public:
    using Reply = std::function<Lines(const Lines&)>;

    explicit ThreadServer(Reply reply) : reply_(std::move(reply)) {
        std::promise<link::Handle> started;
        thread_ = std::thread([this, &started] { run(started); });
        handle_ = started.get_future().get();
    }
    ~ThreadServer() {
        loop_.load()->quit();
        thread_.join();
    }
    link::Handle handle() const { return handle_; }

private:
    void run(std::promise<link::Handle>& started) {
        const LinkMessageIds& ids = RegisterLinkMessages();
        link::Loop loop;
        link::Window* own = nullptr;
        link::Window window([&](const link::Message& m) -> std::int64_t {
            if (m.msg != link::kCopyData || m.dwData != ids.SendData) {
                return 0;
            }
            std::string text(reinterpret_cast<const char*>(m.data.data()), m.data.size());
            Lines request = SplitLines(text.substr(0, text.find('\0')));
            testing::Record reply = testing::TextReply(reply_(request));
            link::sendCopyData(static_cast<link::Handle>(m.wParam), own->handle(), ids.ReturnData,
                               reply);
            return 1;
        });
        own = &window;
        loop_ = &loop;
        started.set_value(window.handle());
        loop.run();
    }

    Reply reply_;
    std::thread thread_;
    std::atomic<link::Loop*> loop_{nullptr};
    link::Handle handle_ = 0;
};

class TkelcdTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::LinkEnvironment::get();
        testing::ResetKelCdData();
    }
    void TearDown() override { testing::ResetKelCdData(); }

    link::Message handshake(std::uint64_t window, link::Origin origin) const {
        link::Message m;
        m.msg = RegisterLinkMessages().Handshake;
        m.wParam = window;
        m.origin = origin;
        return m;
    }
};

TEST_F(TkelcdTest, OnlyAHandshakePostedDirectlyConnects) {
    Tkelcd client;
    client.WndProc(handshake(77, link::Origin::Broadcast));
    client.WndProc(handshake(77, link::Origin::Sent));
    client.WndProc(handshake(0, link::Origin::Posted));
    EXPECT_EQ(KelCdData.ServerConnected, 0);
    EXPECT_EQ(KelCdData.ServerWindow, 0u);

    client.WndProc(handshake(77, link::Origin::Posted));
    EXPECT_EQ(KelCdData.ServerConnected, 1);
    EXPECT_EQ(KelCdData.ServerWindow, 77u);

    client.WndProc(handshake(88, link::Origin::Posted));
    EXPECT_EQ(KelCdData.ServerWindow, 77u);
}

TEST_F(TkelcdTest, HandshakePostedOverTheLinkConnects) {
    Tkelcd client;
    ThreadServer server([](const Lines& request) { return request; });
    link::post(client.Handle(), RegisterLinkMessages().Handshake, server.handle(), 0);
    ASSERT_TRUE(testing::processEventsUntil([] { return KelCdData.ServerConnected == 1; }, 5s));
    EXPECT_EQ(KelCdData.ServerWindow, server.handle());
}

TEST_F(TkelcdTest, CloseMessageClosesTheForm) {
    Tkelcd client;
    QSignalSpy closed(&client, &Tkelcd::FormClosed);
    link::Message close;
    close.msg = RegisterLinkMessages().Close;
    client.WndProc(close);
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(TkelcdTest, CopyDataOtherThanARepliesIsIgnored) {
    Tkelcd client;
    testing::Record text = testing::TextReply({"12570", "255", "3"});
    link::Message m;
    m.msg = link::kCopyData;
    m.dwData = RegisterLinkMessages().SendData;
    m.data = text;
    EXPECT_EQ(client.WndProc(m), 0);
    EXPECT_EQ(KelCdData.MediaChanged, 0);
    EXPECT_EQ(KelCdData.LastReplySize, text.size());

    m.dwData = RegisterLinkMessages().ReturnData;
    EXPECT_EQ(client.WndProc(m), 1);
    EXPECT_EQ(KelCdData.MediaChanged, 1);
}

TEST_F(TkelcdTest, ServerThatNeverAnswersGivesAClearErrorInBoundedTime) {
    TkelcdOptions options;
    options.ServerProgram = "/bin/true";  // starts, and is gone without a word
    options.HandshakeInterval = 50ms;
    options.HandshakeLimit = 600ms;
    Tkelcd client(options);
    QSignalSpy notFound(&client, &Tkelcd::ServerNotFound);
    auto start = std::chrono::steady_clock::now();
    client.Formcreate();
    ASSERT_TRUE(testing::processEventsUntil([&] { return notFound.count() > 0; }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_TRUE(client.HandshakeFailed());
    EXPECT_EQ(KelCdData.ServerConnected, 0);
    QString message = notFound.at(0).at(0).toString();
    EXPECT_TRUE(message.contains("KELCD32")) << message.toStdString();
    EXPECT_TRUE(message.contains("/bin/true")) << message.toStdString();
}

TEST_F(TkelcdTest, ServerProgramThatCannotStartRaisesTheWinExecError) {
    TkelcdOptions options;
    options.ServerProgram = "NoSuchServer.Exe";
    Tkelcd client(options);
    EXPECT_THROW(client.Formcreate(), EWinExecError);
}

TEST_F(TkelcdTest, RequestBeforeTheHandshakeReturnsAtOnceAsAnError) {
    Tkelcd client;
    KelCdData.MediaChanged = 1;
    auto start = std::chrono::steady_clock::now();
    client._Send(kGroupDrive, kSubGet, 0x1A);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(KelCdData.ReplyError, 1);
    EXPECT_EQ(KelCdData.ReplyErrorCode, kNoServerReply);
    EXPECT_EQ(KelCdData.MediaChanged, 1);
}

class ConnectedClient : public TkelcdTest {
protected:
    void SetUp() override {
        TkelcdTest::SetUp();
        client = std::make_unique<Tkelcd>();
        server = std::make_unique<ThreadServer>([this](const Lines& request) {
            requests.push_back(request);
            return Lines{request[0], "255", "3"};
        });
        link::post(client->Handle(), RegisterLinkMessages().Handshake, server->handle(), 0);
        ASSERT_TRUE(testing::processEventsUntil([] { return KelCdData.ServerConnected; }, 5s));
    }
    void TearDown() override {
        server.reset();
        client.reset();
        TkelcdTest::TearDown();
    }

    std::unique_ptr<Tkelcd> client;
    std::unique_ptr<ThreadServer> server;
    std::vector<Lines> requests;  // written by the server thread while a send waits
};

TEST_F(ConnectedClient, RequestIsAnsweredAndParsedBeforeSendReturns) {
    KelCdData.DriveNumber = 3;
    client->_Send(kGroupDrive, kSubGet, 0x1A);
    EXPECT_EQ(KelCdData.ReplyError, 0);
    EXPECT_EQ(KelCdData.MediaChanged, 1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], (Lines{"12570", "3"}));
    EXPECT_EQ(client->Kel_Return, (Lines{"12570", "255", "3"}));
}

TEST_F(ConnectedClient, WorkerThreadRequestIsAnsweredThroughTheMainLoop) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        client->_Send(kGroupDrive, kSubGet, 0x1A);
        done = true;
    });
    bool finished = testing::processEventsUntil([&] { return done.load(); }, 10s);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(KelCdData.ReplyError, 0);
    EXPECT_EQ(KelCdData.MediaChanged, 1);
}

TEST_F(ConnectedClient, ServerGoneMeansNoReplyNotStaleData) {
    server.reset();
    KelCdData.MediaChanged = 0;
    client->_Send(kGroupDrive, kSubGet, 0x1A);
    EXPECT_EQ(KelCdData.ReplyError, 1);
    EXPECT_EQ(KelCdData.ReplyErrorCode, kNoServerReply);
    EXPECT_EQ(KelCdData.MediaChanged, 0);
}

}  // namespace
}  // namespace kel::frontend
