#include "platform/link/registered_message.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "tests/platform/link/peer_process.h"

namespace kel::link {
namespace {

const char* const kLinkNames[] = {"KEL.CD.Handshake", "KEL.CD.sendData", "KEL.CD.returnData",
                                  "KEL.CD.close"};

TEST(RegisteredMessage, LinkNamesGetDistinctIdsSharedWithOtherProcesses) {
    test::ScopedLinkDir dir;
    // The peer registers first, so this process finds the names in the table.
    test::PeerProcess peer({"ids"});
    std::set<std::uint32_t> ids;
    for (const char* name : kLinkNames) {
        std::uint32_t theirs = static_cast<std::uint32_t>(std::stoul(peer.readLine()));
        std::uint32_t ours = registerMessage(name);
        EXPECT_EQ(ours, theirs) << name;
        EXPECT_GE(ours, 0xC000u) << name;
        EXPECT_LE(ours, 0xFFFFu) << name;
        ids.insert(ours);
    }
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_EQ(peer.wait(), 0);
}

TEST(RegisteredMessage, NamesCompareWithoutCase) {
    test::ScopedLinkDir dir;
    std::uint32_t id = registerMessage("KEL.CD.Handshake");
    EXPECT_EQ(registerMessage("kel.cd.handshake"), id);
    EXPECT_EQ(registerMessage("KEL.CD.HANDSHAKE"), id);
    EXPECT_NE(registerMessage("KEL.CD.Handshak"), id);
}

TEST(RegisteredMessage, UnusableNamesGetZero) {
    test::ScopedLinkDir dir;
    EXPECT_EQ(registerMessage(""), 0u);
    EXPECT_EQ(registerMessage("two\nlines"), 0u);
    EXPECT_EQ(registerMessage(std::string("nul\0inside", 10)), 0u);
    EXPECT_EQ(registerMessage(std::string(256, 'x')), 0u);
    EXPECT_EQ(registerMessage(std::string(255, 'x')), 0xC000u);
}

TEST(RegisteredMessage, ATableCutShortKeepsItsIds) {
    test::ScopedLinkDir dir;
    std::ofstream(dir.path() / "messages") << "first\nkel.cd.close";
    EXPECT_EQ(registerMessage("KEL.CD.close"), 0xC001u);
    EXPECT_EQ(registerMessage("KEL.CD.sendData"), 0xC002u);
    EXPECT_EQ(registerMessage("First"), 0xC000u);
    EXPECT_EQ(registerMessage("kel.cd.senddata"), 0xC002u);
}

}  // namespace
}  // namespace kel::link
