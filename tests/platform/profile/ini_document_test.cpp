#include "platform/profile/ini_document.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using kel::profile::IniDocument;

struct Parsed {
    IniDocument doc;
    std::vector<std::pair<std::size_t, std::string>> malformed;
};

Parsed parse(std::string_view text) {
    std::vector<std::pair<std::size_t, std::string>> malformed;
    IniDocument doc = IniDocument::parse(text, [&](std::size_t line, std::string_view reason) {
        malformed.emplace_back(line, std::string(reason));
    });
    return {std::move(doc), std::move(malformed)};
}

TEST(IniDocumentRead, NamesAreCaselessAndValuesTrimmedAndUnquoted) {
    Parsed p = parse(
        "[CompParm]\n"
        "  Drive = 1  \n"
        "Quoted=\" padded \"\n"
        "Single='x'\n"
        "Lopsided=\"x'\n"
        "Empty=\n");
    EXPECT_EQ(p.doc.value("COMPPARM", "drive"), "1");
    EXPECT_EQ(p.doc.value("compparm", "QUOTED"), " padded ");
    EXPECT_EQ(p.doc.value("compparm", "single"), "x");
    EXPECT_EQ(p.doc.value("compparm", "lopsided"), "\"x'");
    EXPECT_EQ(p.doc.value("compparm", "empty"), "");
    EXPECT_EQ(p.doc.value("compparm", "missing"), std::nullopt);
    EXPECT_EQ(p.doc.value("other", "drive"), std::nullopt);
    EXPECT_TRUE(p.malformed.empty());
}

TEST(IniDocumentRead, RepeatedSectionsMergeAndTheFirstKeyWins) {
    Parsed p = parse("[a]\nx=1\n[b]\ny=2\n[A]\nx=9\nz=3\n");
    EXPECT_EQ(p.doc.value("a", "x"), "1");
    EXPECT_EQ(p.doc.value("a", "z"), "3");
    EXPECT_EQ(p.doc.sectionNames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(p.doc.keyNames("A"), (std::vector<std::string>{"x", "z"}));
}

TEST(IniDocumentRead, MalformedLinesAreReportedIgnoredAndKept) {
    std::string text =
        "orphan=1\n"
        "[good]\n"
        "no equals sign\n"
        "=novalue\n"
        "[unclosed\n"
        "[ ]\n"
        "key=value\n";
    Parsed p = parse(text);
    ASSERT_EQ(p.malformed.size(), 5u);
    EXPECT_EQ(p.malformed[0].first, 1u);
    EXPECT_EQ(p.malformed[1].first, 3u);
    EXPECT_EQ(p.malformed[2].first, 4u);
    EXPECT_EQ(p.malformed[3].first, 5u);
    EXPECT_EQ(p.malformed[4].first, 6u);
    // The unclosed header does not open a section, so "key" is still in [good].
    EXPECT_EQ(p.doc.value("good", "key"), "value");
    EXPECT_EQ(p.doc.keyNames("good"), std::vector<std::string>{"key"});
    p.doc.setValue("good", "key", "changed");
    std::string expected = text;
    expected.replace(expected.find("key=value"), 9, "key=changed");
    EXPECT_EQ(p.doc.serialize(), expected);
}

TEST(IniDocumentWrite, UntouchedTextSurvivesByteForByte) {
    for (std::string text : {"", "\n", "[s]\nk=v", "; only a comment\n\n\n",
                             "\xEF\xBB\xBF[s]\r\nk = v ; not a comment\r\n", "[s]\n\tk=v\n",
                             "[s]\r\nmixed=1\nends\r\n", "k=v\r", "[a]\n\r\nk\x01=\n"}) {
        EXPECT_EQ(parse(text).doc.serialize(), text);
    }
}

TEST(IniDocumentWrite, ChangesOnlyTheKeyLineAndKeepsCommentsAndOrder) {
    Parsed p = parse(
        "; settings\r\n"
        "[Window]\r\n"
        "Left=10\r\n"
        "\r\n"
        "[CompParm]\r\n"
        "  drive = 1\r\n"
        "; the copy side\r\n"
        "Enable1=1\r\n");
    p.doc.setValue("compparm", "DRIVE", "0");
    EXPECT_EQ(p.doc.serialize(),
              "; settings\r\n"
              "[Window]\r\n"
              "Left=10\r\n"
              "\r\n"
              "[CompParm]\r\n"
              "  drive=0\r\n"
              "; the copy side\r\n"
              "Enable1=1\r\n");
}

TEST(IniDocumentWrite, NewLinesEndLikeTheFirstLineOfTheFile) {
    Parsed p = parse("[s]\r\nold=1\nk=v");
    p.doc.setValue("s", "n", "1");
    EXPECT_EQ(p.doc.serialize(), "[s]\r\nold=1\nk=v\r\nn=1\r\n");
}

TEST(IniDocumentWrite, NewKeysFollowTheLastEntryOfTheirSection) {
    Parsed p = parse("[a]\nx=1\n\n; about b\n[b]\ny=2\n[A]\nw=0\n");
    p.doc.setValue("A", "z", "3");
    EXPECT_EQ(p.doc.serialize(), "[a]\nx=1\nz=3\n\n; about b\n[b]\ny=2\n[A]\nw=0\n");
}

TEST(IniDocumentWrite, NewSectionsGoAtTheEndAfterABlankLine) {
    Parsed p = parse("[a]\nx=1");
    p.doc.setValue("COMPPARM", "Master", "0");
    EXPECT_EQ(p.doc.serialize(), "[a]\nx=1\n\n[COMPPARM]\nMaster=0\n");
    Parsed empty = parse("");
    empty.doc.setValue("s", "k", "v");
    EXPECT_EQ(empty.doc.serialize(), "[s]\nk=v\n");
}

TEST(IniDocumentWrite, ValuesThatTrimmingWouldChangeAreQuoted) {
    Parsed p = parse("");
    for (std::string value : {" lead", "trail ", "\"quoted\"", "'q'", "plain", ""}) {
        p.doc.setValue("s", "k", value);
        EXPECT_EQ(parse(p.doc.serialize()).doc.value("s", "k"), value);
    }
}

TEST(IniDocumentWrite, EraseKeyRemovesEveryCopyAndEraseSectionItsLines) {
    Parsed p = parse("[a]\nx=1\ny=2\n[b]\nq=1\n[A]\nX=3\n; end of a\n");
    EXPECT_TRUE(p.doc.eraseKey("a", "X"));
    EXPECT_EQ(p.doc.value("a", "x"), std::nullopt);
    EXPECT_FALSE(p.doc.eraseKey("a", "x"));
    EXPECT_EQ(p.doc.serialize(), "[a]\ny=2\n[b]\nq=1\n[A]\n; end of a\n");
    EXPECT_TRUE(p.doc.eraseSection("A"));
    EXPECT_EQ(p.doc.serialize(), "[b]\nq=1\n");
    EXPECT_FALSE(p.doc.eraseSection("a"));
}

TEST(IniDocumentWrite, NamesAndValuesALineCannotHoldAreRefused) {
    EXPECT_TRUE(IniDocument::isValidSectionName("COMPPARM"));
    EXPECT_FALSE(IniDocument::isValidSectionName(""));
    EXPECT_FALSE(IniDocument::isValidSectionName("a]b"));
    EXPECT_FALSE(IniDocument::isValidSectionName(" a"));
    EXPECT_TRUE(IniDocument::isValidKeyName("Enable0"));
    EXPECT_FALSE(IniDocument::isValidKeyName("a=b"));
    EXPECT_FALSE(IniDocument::isValidKeyName(";x"));
    EXPECT_FALSE(IniDocument::isValidKeyName("[x"));
    EXPECT_FALSE(IniDocument::isValidKeyName("x\n"));
    EXPECT_FALSE(IniDocument::isValidValue("two\nlines"));
    EXPECT_TRUE(IniDocument::isValidValue("a=b;c"));
}

}  // namespace
