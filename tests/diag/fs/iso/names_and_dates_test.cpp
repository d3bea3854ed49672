// Joliet's UCS-2 names as the program's texts, and entry dates as the list
// pane shows them.
#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <vector>

#include "diag/fs/iso/ucs_text.h"
#include "diag/fs/readers.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

std::vector<std::uint8_t> ucs(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    }
    return bytes;
}

TEST(UcsToText, ConvertsToUtf8) {
    std::string text;
    EXPECT_TRUE(UcsToText(ucs(u"Readme.txt"), 255, text));
    EXPECT_EQ(text, "Readme.txt");
    EXPECT_TRUE(UcsToText(ucs(u"Gr\u00FC\u00DFe \u6587"), 255, text));
    EXPECT_EQ(text, "Gr\u00FC\u00DFe \u6587");
    // A character beyond 16 bits, as writers record it: a surrogate pair.
    EXPECT_TRUE(UcsToText(ucs(u"\U0001F600"), 255, text));
    EXPECT_EQ(text, "\U0001F600");
}

TEST(UcsToText, OddBytesAndLoneSurrogates) {
    std::string text;
    std::vector<std::uint8_t> odd = ucs(u"AB");
    odd.push_back('C');
    EXPECT_TRUE(UcsToText(odd, 255, text));
    EXPECT_EQ(text, "AB");
    const std::u16string lone = {u'x', char16_t{0xD800}, u'y', char16_t{0xDC00}};
    EXPECT_TRUE(UcsToText(ucs(lone), 255, text));
    EXPECT_EQ(text, "x?y?");
    EXPECT_FALSE(UcsToText({}, 255, text));
    EXPECT_EQ(text, "");
}

TEST(UcsToText, TextThatDoesNotFitIsCutAtAWholeCharacter) {
    std::string text;
    EXPECT_FALSE(UcsToText(ucs(u"ab\u6587"), 4, text));
    EXPECT_EQ(text, "ab");
}

TEST(FormatRecordingDate, NoYearIsNotAvailable) {
    const std::uint8_t date[7] = {0, 5, 5, 5, 5, 5, 0};
    EXPECT_EQ(FormatRecordingDate(date), "-- N/A --");
}

TEST(FormatRecordingDate, ShortDateAndTimeInAColumn) {
    const QString day = QLocale::system().toString(QDate(2026, 12, 9), QLocale::ShortFormat);
    const std::uint8_t morning[7] = {126, 12, 9, 7, 5, 9, 4};
    EXPECT_EQ(FormatRecordingDate(morning), day.toStdString() + "  7:05:09");
    const std::uint8_t evening[7] = {126, 12, 9, 19, 45, 0, 4};
    EXPECT_EQ(FormatRecordingDate(evening), day.toStdString() + " 19:45:00");
}

TEST(FormatRecordingDate, ImpossibleDateIsReported) {
    std::vector<int> ids;
    SetMessageResponder([&](int id, std::uint16_t, const std::string&) {
        ids.push_back(id);
        return answer::kOk;
    });
    const std::uint8_t month13[7] = {126, 13, 1, 0, 0, 0, 0};
    EXPECT_EQ(FormatRecordingDate(month13), "");
    const std::uint8_t hour25[7] = {126, 1, 1, 25, 0, 0, 0};
    EXPECT_EQ(FormatRecordingDate(hour25), "");
    EXPECT_EQ(ids, (std::vector<int>{113, 113}));
    SetMessageResponder({});
}

}  // namespace
}  // namespace kel::diag
