// The analysis dialog offscreen: its lines, the help requests and the copy
// to the clipboard; and the clipboard text's columns.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include "analysis_fixture.h"
#include "diag/disc/analysis/analysis_dialog.h"
#include "diag/ui/list_clipboard.h"
#include "tests/diag/disc/scan/scan_test_app.h"

namespace kel::diag::testing {
namespace {

const char* const kTitle =
    "Disc information collected by Quillon\r\nMORVALE diagnostic program\r\n\r\n";

TEST(ListClipboardText, TabsPadToTheColumnsAndCodesGo) {
    const std::vector<std::string> lines = {"\bHeading",        "\\l",
                                            "\tIndented",       "Name\tValue\tMore",
                                            "0123456789012\tX", "a\tb\tc\td\te\tf\tg\th"};
    const std::string text = ListClipboardText(lines, kAnalysisTextColumns, 0);
    EXPECT_EQ(text, std::string(kTitle) +
                        "Heading\r\n"
                        "---------------------------------------------\r\n"
                        "         Indented\r\n"
                        "Name     Value     More\r\n"
                        "0123456789012      X\r\n"
                        "a        b         c         d         e         f         g h\r\n");
}

TEST(ListClipboardText, HeaderLineFollowsTheTitle) {
    const std::vector<std::string> lines = {"x"};
    const int columns[] = {5};
    EXPECT_EQ(ListClipboardText(lines, columns, 15033),
              std::string(kTitle) + "Table of Contents\r\nx\r\n");
}

class AnalysisDialogTest : public AnalysisTest {
protected:
    void SetUp() override {
        ScanTestApp();
        AnalysisTest::SetUp();
        add(1, kAudio, 0, 15000);
        add(2, kAudio, 15000, 30000);
        add(kLeadOutTrack, kData, 30000);
    }
};

TEST_F(AnalysisDialogTest, ListsTheFindingsAndCopiesThem) {
    AnalysisDialog dialog;
    auto* list = dialog.findChild<QListWidget*>("list");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), static_cast<int>(AnalysisLines().size()));
    EXPECT_EQ(list->item(0)->text().toStdString(), "\bTable of Contents");
    EXPECT_EQ(list->item(list->count() - 1)->text().toStdString(),
              "CDDB key for this CD is 6019002.");
    EXPECT_EQ(list->sizeHintForRow(0), 14);

    QApplication::clipboard()->clear();
    dialog.findChild<QPushButton*>("copy")->click();
    const std::string copied = QApplication::clipboard()->text().toStdString();
    EXPECT_TRUE(copied.starts_with(std::string(kTitle) + "Table of Contents\r\n")) << copied;
    EXPECT_NE(copied.find("\r\n---------------------------------------------\r\n"),
              std::string::npos);
    EXPECT_TRUE(copied.ends_with("CDDB key for this CD is 6019002.\r\n"));
}

TEST_F(AnalysisDialogTest, HelpForTheDialogAndForEachLine) {
    AnalysisDialog dialog;
    dialog.show();
    QSignalSpy help(&dialog, &AnalysisDialog::helpRequested);
    QSignalSpy popup(&dialog, &AnalysisDialog::popupHelpRequested);
    dialog.findChild<QPushButton*>("help")->click();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &f1);
    ASSERT_EQ(help.count(), 2);
    EXPECT_EQ(help.at(0).at(0).toInt(), 1);

    auto* list = dialog.findChild<QListWidget*>("list");
    list->setCurrentRow(1);
    ASSERT_EQ(popup.count(), 1);
    EXPECT_EQ(popup.at(0).at(0).toInt(), 15000);
    const QRect row = list->visualItemRect(list->item(1));
    const QPoint expected =
        list->viewport()->mapToGlobal(QPoint(row.left() + row.width() / 2, row.bottom()));
    EXPECT_EQ(popup.at(0).at(1).toPoint(), expected);

    const int rule = [&] {
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text() == "\\l") {
                return i;
            }
        }
        return -1;
    }();
    ASSERT_GE(rule, 0);
    list->setCurrentRow(rule);
    EXPECT_EQ(popup.count(), 1) << "a rule line explains nothing";
}

TEST_F(AnalysisDialogTest, EmptyTrackListShowsMessage170Only) {
    FreeTrackRecords();
    bool opened = false;
    ShowAnalysisDialog(nullptr, [&opened](AnalysisDialog&) { opened = true; });
    EXPECT_FALSE(opened);
    EXPECT_EQ(messageIds(), std::vector<int>{170});
}

TEST_F(AnalysisDialogTest, ShowRunsTheDialogModally) {
    bool shown = false;
    ShowAnalysisDialog(nullptr, [&shown](AnalysisDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog, &shown] {
            shown = dialog.isVisible();
            dialog.findChild<QPushButton*>("ok")->click();
        });
    });
    EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace kel::diag::testing
