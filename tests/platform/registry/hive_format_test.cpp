#include "platform/registry/hive_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace kel::registry;

KeyNode parseOk(std::string_view text) {
    FormatError error;
    std::optional<KeyNode> root = parseHive(text, error);
    EXPECT_TRUE(root) << "line " << error.line << ": " << error.message;
    return root.value_or(KeyNode{});
}

TEST(HiveFormat, EveryTypeAndAwkwardNameSurvivesARoundTrip) {
    KeyNode root;
    KeyNode& key = createKey(root, {"Software", "Kelvane", "MORVALE"});
    key.setValue("UseASPIOnly", std::uint32_t{4294967295u});
    key.setValue("", std::string("C:\\sounds\\ding.wav"));
    key.setValue("quote\" tab\t nl\n cr\r ctl\x01 del\x7f", std::string("caf\xC3\xA9 \"x\""));
    key.setValue("Columns", std::vector<std::uint8_t>{0x00, 0x1b, 0xff});
    key.setValue("Empty", std::vector<std::uint8_t>{});
    createKey(root, {"Software", "Kelvane", "MORVALE", "ErrorSum"});  // empty keys persist
    root.setValue("at root", std::uint32_t{0});

    std::string text = serializeHive(root);
    KeyNode back = parseOk(text);
    EXPECT_EQ(serializeHive(back), text);
    const KeyNode* morvale = findKey(back, {"software", "KELVANE", "morvale"});
    ASSERT_NE(morvale, nullptr);
    EXPECT_EQ(morvale->values.size(), 5u);
    EXPECT_EQ(std::get<std::string>(morvale->findValue("")->value), "C:\\sounds\\ding.wav");
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(morvale->findValue("columns")->value),
              (std::vector<std::uint8_t>{0x00, 0x1b, 0xff}));
    EXPECT_NE(findKey(back, {"Software", "Kelvane", "MORVALE", "ErrorSum"}), nullptr);
    EXPECT_EQ(std::get<std::uint32_t>(back.findValue("AT ROOT")->value), 0u);
}

TEST(HiveFormat, TheWriterIsPlainText) {
    KeyNode root;
    KeyNode& key = createKey(root, {"A", "B"});
    key.setValue("n", std::uint32_t{42});
    key.setValue("s", std::string("x\\y"));
    EXPECT_EQ(serializeHive(root),
              "kel-registry 1\n"
              "key \"A\"\n"
              "key \"A\" \"B\"\n"
              "value \"n\" dword 42\n"
              "value \"s\" string \"x\\\\y\"\n");
}

TEST(HiveFormat, HandWrittenFilesAreAcceptedInAnyKeyOrder) {
    KeyNode root = parseOk(
        "kel-registry 1\r\n"
        "# written by hand\r\n"
        "\r\n"
        "key \"Z\" \"deep\"\r\n"
        "  value \"v\"   dword   7\r\n"
        "key \"b\"\r\n"
        "key \"A\"\r\n"
        "value \"bin\" binary \"AbCd\"\r\n");
    ASSERT_EQ(root.subkeys.size(), 3u);
    EXPECT_EQ(root.subkeys[0].name, "A");
    EXPECT_EQ(root.subkeys[1].name, "b");
    EXPECT_EQ(root.subkeys[2].name, "Z");
    EXPECT_EQ(std::get<std::uint32_t>(findKey(root, {"z", "DEEP"})->findValue("V")->value), 7u);
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(root.subkeys[0].findValue("bin")->value),
              (std::vector<std::uint8_t>{0xab, 0xcd}));
    EXPECT_TRUE(parseOk("").subkeys.empty());
}

struct BadFile {
    std::string text;
    std::size_t line;
};

class HiveFormatRejects : public testing::TestWithParam<BadFile> {};

TEST_P(HiveFormatRejects, NamingTheLine) {
    FormatError error;
    EXPECT_FALSE(parseHive(GetParam().text, error)) << GetParam().text;
    EXPECT_EQ(error.line, GetParam().line) << GetParam().text;
    EXPECT_FALSE(error.message.empty());
}

const std::string kHead = "kel-registry 1\nkey \"K\"\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, HiveFormatRejects,
    testing::Values(
        BadFile{"kel-registry 2\n", 1}, BadFile{"[Software]\n", 1},
        BadFile{"kel-registry 1\nvalue \"v\" dword 1\n", 2},
        BadFile{kHead + "value \"v\" dword 4294967296\n", 3},
        BadFile{kHead + "value \"v\" dword -1\n", 3}, BadFile{kHead + "value \"v\" dword 12x\n", 3},
        BadFile{kHead + "value \"v\" dword \"1\"\n", 3},
        BadFile{kHead + "value \"v\" string unquoted\n", 3},
        BadFile{kHead + "value \"v\" string \"open\n", 3},
        BadFile{kHead + "value \"v\" string \"bad \\q escape\"\n", 3},
        BadFile{kHead + "value \"v\" string \"\\x4\"\n", 3},
        BadFile{kHead + "value \"v\" string \"a\"b\n", 3},
        BadFile{kHead + "value \"v\" binary \"abc\"\n", 3},
        BadFile{kHead + "value \"v\" binary \"zz\"\n", 3},
        BadFile{kHead + "value \"v\" qword \"1\"\n", 3}, BadFile{kHead + "value \"v\" dword\n", 3},
        BadFile{kHead + "value \"v\" dword 1 2\n", 3}, BadFile{kHead + "value v dword 1\n", 3},
        BadFile{kHead + "value \"v\" dword 1\nvalue \"V\" dword 2\n", 4},
        BadFile{kHead + "key \"a\\\\b\"\n", 3}, BadFile{kHead + "key \"\"\n", 3},
        BadFile{kHead + "key K\n", 3}, BadFile{kHead + "keys \"K\"\n", 3},
        BadFile{kHead + "key \"" + std::string(256, 'k') + "\"\n", 3},
        BadFile{kHead + "value \"" + std::string(16384, 'n') + "\" dword 1\n", 3}));

TEST(HiveFormat, DepthAndSizeLimitsHold) {
    std::string deep = "kel-registry 1\nkey";
    for (std::size_t i = 0; i <= kMaxKeyDepth; ++i) {
        deep += " \"k\"";
    }
    FormatError error;
    EXPECT_FALSE(parseHive(deep + "\n", error));
    std::string big =
        kHead + "value \"v\" binary \"" + std::string(2 * kMaxValueBytes + 2, '0') + "\"\n";
    EXPECT_FALSE(parseHive(big, error));
    std::string largest =
        kHead + "value \"v\" binary \"" + std::string(2 * kMaxValueBytes, '0') + "\"\n";
    EXPECT_TRUE(parseHive(largest, error));
}

}  // namespace
