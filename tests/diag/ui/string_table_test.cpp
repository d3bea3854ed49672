#include "diag/ui/string_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "diag/ui/messages.h"
#include "diag/ui/string_table_parse.h"

namespace kel::diag {
namespace {

std::string sourceFile(const char* relative) {
    std::ifstream in(std::string(KEL_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(StringTable, TheBuiltInTableReadsWithoutErrorsAndWhole) {
    const ParsedStringTable parsed = ParseStringTable(sourceFile("diag/ui/strings.txt"));
    EXPECT_TRUE(parsed.errors.empty()) << parsed.errors.front();
    EXPECT_GT(parsed.entries.size(), 250u);
    EXPECT_EQ(StringTableIds().size(), parsed.entries.size());
}

TEST(StringTable, TextsAreExactWithTheirEscapesDecoded) {
    EXPECT_EQ(LoadResString(111), "Insufficient storage for processing.");
    EXPECT_EQ(LoadResString(3012), "Unable to access %s - You must have administrator privileges.");
    EXPECT_EQ(LoadResString(253),
              "Refresh will start over and process a new disc.\n\nAre you sure you want to lose "
              "the current information?");
    EXPECT_EQ(LoadResString(108), "The drive \"%s\" is not ready.\nInsert a CD and select again.");
    EXPECT_EQ(LoadResString(15032), "\bData track %d recorded as part of session %d.");
    EXPECT_EQ(LoadResString(176), "Session:Track\tType\t Volume\tStart    Files");
    EXPECT_EQ(LoadResString(902), "&Yes;&No;Error");
    EXPECT_EQ(LoadResString(903), "&Yes;&No;&Cancel");
    EXPECT_EQ(LoadResString(208), std::string(45, '-'));
    EXPECT_EQ(LoadResString(424242), "");
}

TEST(StringTable, SenseTextsSitAt8000PlusTheAdditionalSenseCode) {
    EXPECT_EQ(LoadResString(kSenseTextBase + 0x00), "No error (?\?\?)");
    EXPECT_EQ(LoadResString(kSenseTextBase + 0x04), "Unit not ready");
    EXPECT_EQ(LoadResString(kSenseTextBase + 0x11), "Unrecoverable read error");
    EXPECT_EQ(LoadResString(kSenseTextBase + 0x6F), "Read of scrambled sector not allowed");
    EXPECT_FALSE(StringTableEntry(kSenseTextBase + 0x3A).has_value());
}

TEST(StringTable, LongEntriesAreLoadedWhole) {
    const std::string recovery = LoadResString(159);
    EXPECT_GT(recovery.size(), 100u);
    EXPECT_TRUE(recovery.ends_with(";TB+PER+DCR,0x25;PER+DTE+DCR,0x07")) << recovery;
}

TEST(StringTable, FilterListsHaveTheirSeparatorsTurnedIntoNul) {
    const std::string filter = LoadFilterString(2002);
    EXPECT_EQ(filter, std::string("Text files\0*.txt\0All files\0*.*\0", 31));
    // Read as a C list, it ends in an empty text.
    std::vector<std::string> texts;
    for (const char* at = filter.c_str(); *at != '\0'; at += std::strlen(at) + 1) {
        texts.emplace_back(at);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Text files", "*.txt", "All files", "*.*"}));
}

TEST(ParseStringTable, BadLinesAreNamedAndSkipped) {
    const ParsedStringTable parsed = ParseStringTable(
        "# comment\n"
        "\n"
        "10\tfine\\n\\\\\n"
        "11 no tab\n"
        "x\tnot a number\n"
        "0\tzero\n"
        "70000\ttoo big\n"
        "12\tbad \\q escape\n"
        "13\ttrailing \\\n"
        "10\tagain\n"
        "14\t");
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries.at(10), "fine\n\\");
    EXPECT_EQ(parsed.entries.at(14), "");
    ASSERT_EQ(parsed.errors.size(), 7u);
    EXPECT_EQ(parsed.errors[0], "line 4: no TAB after the id");
    EXPECT_EQ(parsed.errors[6], "line 10: id 10 appears twice");
}

}  // namespace
}  // namespace kel::diag
