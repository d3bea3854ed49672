// The hardware information dialog: its list, its help key and its copy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "diag/tools/hardware/hardware_info_dialog.h"
#include "tests/diag/support/test_app.h"

namespace kel::diag {
namespace {

using test::app;

const std::vector<std::string> kLines = {"Device name\tACME CDROM-4000", "Revision\t2.1a"};

TEST(HardwareInfoDialogTest, ListsTheLinesUnderItsTitle) {
    app();
    HardwareInfoDialog dialog(nullptr, kLines);
    EXPECT_EQ(dialog.windowTitle(), "CD-ROM Hardware Information");
    auto* list = dialog.findChild<QListWidget*>("list");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "Revision\t2.1a");
}

TEST(HardwareInfoDialogTest, HelpButtonAndF1OpenTopicEleven) {
    app();
    HardwareInfoDialog dialog(nullptr, kLines);
    std::vector<int> topics;
    QObject::connect(&dialog, &HardwareInfoDialog::helpRequested,
                     [&](int context) { topics.push_back(context); });
    dialog.findChild<QPushButton*>("help")->click();
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_EQ(topics, (std::vector<int>{11, 11}));
}

TEST(HardwareInfoDialogTest, CopyPutsAlignedLinesOnTheClipboard) {
    app();
    HardwareInfoDialog dialog(nullptr, kLines);
    dialog.findChild<QPushButton*>("copy")->click();
    const QString text = QApplication::clipboard()->text();
    EXPECT_TRUE(text.startsWith("Disc information collected by Quillon")) << text.toStdString();
    // Values start at the text column of the list's first tab stop.
    EXPECT_TRUE(
        text.endsWith("\r\n\r\nDevice name                  ACME CDROM-4000\r\n"
                      "Revision                     2.1a\r\n"))
        << text.toStdString();
}

}  // namespace
}  // namespace kel::diag
