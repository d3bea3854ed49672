// The table of contents: one line per track record as the dialog shows it,
// and the same lines as clipboard text in fixed columns.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include "diag/disc/disc_info.h"
#include "diag/disc/scan/toc_dialog.h"
#include "diag/disc/scan/toc_lines.h"
#include "hand_built_list.h"
#include "scan_test_app.h"

namespace kel::diag::testing {
namespace {

class TocTest : public HandBuiltList {
protected:
    void SetUp() override {
        HandBuiltList::SetUp();
        ScanTestApp();
    }
};

TEST_F(TocTest, EachTrackTypeIsNamedFromItsAdrAndControl) {
    TrackInfo* data = add(1, kData, 0, 1000);
    data->flags = track_flags::kCdRomXa;
    FileNode* root = node(*data, nullptr, "\\ DATA (Session 1)", 18, 2048, true);
    root->count = 5;
    TrackInfo* twin = add(1, kData, 0, 1000);
    twin->flags = track_flags::kHfsTwin | track_flags::kHfs;
    node(*twin, nullptr, "Mac (Session 1)", 2, 0, true);
    TrackInfo* audio = add(2, kAudio, 1000);
    node(*audio, nullptr, "Audio 0.13", 0, 0);
    add(3, 0x12, 2000);
    add(4, 0x05, 3000);
    add(5, 0x06, 4000);
    add(6, 0x38, 5000);
    add(7, 0x5C, 6000);
    add(99, 0x24, 7000, 0, 2);
    add(0xAA, kData, 8000, kClosedDiscMarker, 2);

    const std::vector<std::string> expected = {
        "  1:1\tPos/Data* XA\tDATA\t0\t5", "  1:2\tPos/Audio*\t\t1000\t0",
        "  1:3\tPos/Audio\t\t2000\t",      "  1:4\tNone/UDF*\t\t3000\t",
        "  1:5\tNone/UDF\t\t4000\t",       "  1:6\tISRC/Other*\t\t5000\t",
        "  1:7\t\?\?\?/Other*\t\t6000\t",  "  2:99\tUPC/Data*\t\t7000\t",
        "  2:AA\tLead out\t\t8000\t",
    };
    EXPECT_EQ(TocLines(), expected) << "the HFS twin is not a line of its own";
}

TEST_F(TocTest, LeadOutOfAnOpenDiscSaysSoAndShowsNoFiles) {
    add(1, kData, 0, 1000);
    TrackInfo* leadOut = add(0xAA, kData, 1000, 24000);
    node(*leadOut, nullptr, "Lead Out at 1000", 0, 0);
    ASSERT_EQ(TocLines().size(), 2u);
    EXPECT_EQ(TocLines()[1], "  1:AA\tLead out (open)\t\t1000\t");
}

TEST_F(TocTest, ClipboardTextPutsEachColumnAtItsPlace) {
    const std::string text = TocClipboardText({
        "  1:1\tPos/Data*\tDATA\t0\t5",
        "  1:2\tPos/Data* XA + more words\tV\t7\t",
    });
    const std::string title = "Disc information collected by Quillon\r\n";
    ASSERT_EQ(text.rfind(title, 0), 0u) << text;
    const auto blanks = [](std::size_t n) { return std::string(n, ' '); };
    const std::string expectedTail =
        "\r\n\r\n"
        "Session:Track" +
        blanks(1) + "Type" + blanks(11) + " Volume" + blanks(8) + "Start    Files\r\n" + "  1:1" +
        blanks(9) + "Pos/Data*" + blanks(6) + "DATA" + blanks(11) + "0" + blanks(9) + "5\r\n" +
        "  1:2" + blanks(9) + "Pos/Data* XA + more words" + blanks(5) + "V" + blanks(9) + "7" +
        blanks(1) + "\r\n";
    ASSERT_GE(text.size(), expectedTail.size());
    EXPECT_EQ(text.substr(text.size() - expectedTail.size()), expectedTail)
        << "a column already passed gives way to the next one";
}

TEST_F(TocTest, DialogListsTheLinesAndCopiesThem) {
    TrackInfo* data = add(1, kData, 0, 1000);
    node(*data, nullptr, "\\ DATA (Session 1)", 18, 2048, true);
    add(0xAA, kData, 1000);

    TocDialog dialog;
    auto* list = dialog.findChild<QListWidget*>("list");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text().toStdString(), "  1:1\tPos/Data*\tDATA\t0\t0");
    EXPECT_EQ(list->item(1)->text().toStdString(), "  1:AA\tLead out\t\t1000\t");

    dialog.findChild<QPushButton*>("copy")->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), TocClipboardText(dialog.lines()));

    QSignalSpy help(&dialog, &TocDialog::helpRequested);
    dialog.findChild<QPushButton*>("help")->click();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &f1);
    ASSERT_EQ(help.count(), 2);
    EXPECT_EQ(help.at(0).at(0).toInt(), 2);
    EXPECT_EQ(help.at(1).at(0).toInt(), 2);

    dialog.show();
    dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace kel::diag::testing
