// The link protocol as the client sees it: handshake, intake, dispatch and
// the reply rule.
#include <gtest/gtest.h>

#include "server_test_rig.h"

namespace kel::server::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(ServerProtocol, CodeZeroAnswersPostsCloseAndClosesTheForm) {
    ServerRig rig;
    EXPECT_EQ(rig.request({"0"}), (Lines{"0", "2"}));
    EXPECT_TRUE(rig.outbox.closed);
    ASSERT_EQ(rig.outbox.posted.size(), 2u);  // the handshake, then the close
    EXPECT_EQ(rig.outbox.posted[1].msg, kMessages.Close);
    EXPECT_EQ(rig.outbox.posted[1].window, kClientWindow);
    EXPECT_EQ(rig.outbox.posted[1].wParam, kServerWindow);
    EXPECT_EQ(rig.form->Edit1, "_exit");
}

TEST(ServerProtocol, HandshakeIsTakenOnceAndAnsweredDirectly) {
    ServerRig rig;
    ASSERT_EQ(rig.outbox.posted.size(), 1u);
    EXPECT_EQ(rig.outbox.posted[0].window, kClientWindow);
    EXPECT_EQ(rig.outbox.posted[0].msg, kMessages.Handshake);
    EXPECT_EQ(rig.outbox.posted[0].wParam, kServerWindow);
    EXPECT_EQ(rig.form->Memo1.Lines().back(), "Hand Shake sent");

    rig.form->ServerWndProc(kMessages.Handshake, 0x99);
    EXPECT_EQ(rig.form->clientWindow(), kClientWindow);
    EXPECT_EQ(rig.outbox.posted.size(), 1u);
    EXPECT_EQ(rig.form->Memo1.Count(), 1);
}

TEST(ServerProtocol, AServerStartedByAClientTakesOnlyThatClientsHandshake) {
    RecordingOutbox outbox;
    tolscsi::Library library({});
    TForm1 form(library, kMessages, kServerWindow, outbox);
    form.BindTo(kClientWindow);
    // The starter is watched from the start: its end ends the server.
    EXPECT_EQ(outbox.watched, (std::vector<std::uint32_t>{kClientWindow}));
    form.ServerWndProc(kMessages.Handshake, 0x99);  // another front end's broadcast
    EXPECT_EQ(form.clientWindow(), 0u);
    EXPECT_TRUE(outbox.posted.empty());
    form.ServerWndProc(kMessages.Handshake, kClientWindow);
    EXPECT_EQ(form.clientWindow(), kClientWindow);
    ASSERT_EQ(outbox.posted.size(), 1u);
    EXPECT_EQ(outbox.posted[0].window, kClientWindow);
    EXPECT_EQ(outbox.watched.size(), 1u);
}

TEST(ServerProtocol, AServerStartedByHandWatchesTheFirstClient) {
    ServerRig rig;
    EXPECT_EQ(rig.outbox.watched, (std::vector<std::uint32_t>{kClientWindow}));
}

TEST(ServerProtocol, RequestBeforeHandshakeIsServedButRepliesToNoWindow) {
    RecordingOutbox outbox;
    tolscsi::Library library({});
    TForm1 form(library, kMessages, kServerWindow, outbox);
    std::string text = "8456\r\n";
    form.ServerFormCopyData(
        kMessages.SendData,
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    ASSERT_EQ(outbox.sent.size(), 1u);
    EXPECT_EQ(outbox.sent[0].window, 0u);
}

TEST(ServerProtocol, ForeignRecordsAreIgnoredSilently) {
    ServerRig rig;
    std::vector<std::uint8_t> bytes{'0', '\r', '\n', 0};
    rig.form->ServerFormCopyData(kMessages.ReturnData, bytes);
    EXPECT_TRUE(rig.outbox.sent.empty());
    EXPECT_FALSE(rig.outbox.closed);
}

TEST(ServerProtocol, UnknownCodesAreAnsweredWithTheirOwnLines) {
    ServerRig rig;
    // Group 5 is no group; 0x1599 is an unknown run command of the audio group.
    EXPECT_EQ(rig.request({"20771", "3"}), (Lines{"20771", "3"}));
    EXPECT_EQ(rig.request({"5529", "0"}), (Lines{"5529", "0"}));
    EXPECT_EQ(rig.form->Edit1, "_audio_run");
}

TEST(ServerProtocol, WriteRequestsEchoAndAddWrite) {
    ServerRig rig;
    EXPECT_EQ(rig.request({"9985", "5"}), (Lines{"9985", "5", "write"}));
    EXPECT_EQ(rig.form->Edit1, "_disc_write");
}

TEST(ServerProtocol, NonNumericLinesGetNoReplyAndServingGoesOn) {
    ServerRig rig;
    EXPECT_TRUE(rig.request({"abc"}).empty());
    EXPECT_TRUE(rig.request({"5404", "x"}).empty());              // 0x151C, a bad device line
    EXPECT_TRUE(rig.request({"5404"}).empty());                   // lines missing
    EXPECT_EQ(rig.request({"4386"}), (Lines{"4386", "0", "3"}));  // still serving
    // Any peer may send a megabyte of garbage: its log line stays short.
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(rig.request({std::string(1 << 20, 'x')}).empty());
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_LT(log.size(), 200u) << log.substr(0, 200);
    EXPECT_NE(log.find("'xxxx"), std::string::npos) << log.substr(0, 200);
    EXPECT_NE(log.find("1048576 characters"), std::string::npos) << log.substr(0, 200);
}

TEST(ServerProtocol, RequestTextIsBoundedByTheRecordLength) {
    ServerRig rig;
    std::vector<std::uint8_t> bytes{'0'};  // no line break, no NUL
    rig.form->ServerFormCopyData(kMessages.SendData, bytes);
    EXPECT_EQ(SplitReply(rig.lastReply()), (Lines{"0", "2"}));
}

TEST(ServerProtocol, AnEchoTooLongForTheReplySizeIsRefused) {
    ServerRig rig;
    // The echo "20480" CR LF, the long line, CR LF and the NUL: 10 bytes more
    // than the long line. 65,535 bytes still fit the 16-bit size.
    Lines lines{"20480", std::string(65525, '7')};
    ASSERT_EQ(rig.request(lines), lines);
    EXPECT_EQ(rig.lastReply().size(), 65535u);
    lines[1].push_back('7');
    EXPECT_TRUE(rig.request(lines).empty());
    lines[1] = std::string(70000, '7');
    EXPECT_TRUE(rig.request(lines).empty());
    EXPECT_EQ(rig.request({"16640"}), (Lines{"16640"}));  // an unknown system "get"
}

TEST(ServerProtocol, NoValueRequestsFollowTheCountRule) {
    ServerRig rig;
    EXPECT_EQ(rig.request({"4386"}), (Lines{"4386", "0", "3"}));    // 0x1122
    EXPECT_EQ(rig.request({"12844"}), (Lines{"12844", "0", "3"}));  // 0x322C
    EXPECT_EQ(rig.request({"16681"}), (Lines{"16681", "2"}));       // 0x4129
    EXPECT_EQ(rig.form->Edit1, "_system_get_version");
    EXPECT_EQ(rig.request({"13598"}), (Lines{"13598", "2"}));  // 0x351E reads no line
}

}  // namespace
}  // namespace kel::server::testing
