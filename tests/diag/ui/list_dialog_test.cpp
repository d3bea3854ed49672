#include "diag/ui/list_dialog.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QPushButton>

#include "qt_app.h"

namespace kel::diag {
namespace {

class ListDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test::app(); }

    QFontMetrics metrics_{QApplication::font()};
    int unitPixels(int units) const {
        return units * metrics_.averageCharWidth() / kDialogUnitsPerCharacter;
    }
};

TEST_F(ListDialogTest, TextAfterATabStartsAtTheNextStop) {
    const ListTabStops stops = ListTabStops::At({120, 150});
    EXPECT_EQ(stops.pixels(metrics_), (std::vector<int>{unitPixels(120), unitPixels(150)}));
    const int value = metrics_.horizontalAdvance("value");
    EXPECT_GE(stops.textWidth(metrics_, "Label\tvalue"), unitPixels(120) + value - 1);
    EXPECT_LT(stops.textWidth(metrics_, "Label\tvalue"), unitPixels(150));
    // A label past the first stop puts its value at the second.
    const QString longLabel(40, 'W');
    EXPECT_GE(stops.textWidth(metrics_, longLabel + "\tvalue"), unitPixels(150) + value - 1);
}

TEST_F(ListDialogTest, TabsBeyondTheLastStopStillMeasure) {
    // More TABs than stops: the stops end where they are said to, and the
    // width grows with each further TAB.
    const ListTabStops stops = ListTabStops::At({20});
    const int two = stops.textWidth(metrics_, "a\tb\tc");
    EXPECT_GT(stops.textWidth(metrics_, "a\tb\tc\td\te"), two);
    EXPECT_GE(two, unitPixels(20));
}

TEST_F(ListDialogTest, ARepeatedStopRecurs) {
    const ListTabStops stops = ListTabStops::Every(100);
    const int value = metrics_.horizontalAdvance("value");
    EXPECT_GE(stops.textWidth(metrics_, "Label:\tvalue"), unitPixels(100) + value - 1);
    const QString longLabel(30, 'W');
    EXPECT_GE(stops.textWidth(metrics_, longLabel + "\tvalue"), unitPixels(200) + value - 1);
}

TEST_F(ListDialogTest, ButtonsAcceptHelpAndCopy) {
    QDialog dialog;
    int helped = 0;
    int copied = 0;
    QDialogButtonBox* buttons = NewListButtons(
        &dialog, [&helped] { ++helped; }, [&copied] { ++copied; });
    buttons->findChild<QPushButton*>("help")->click();
    buttons->findChild<QPushButton*>("copy")->click();
    EXPECT_EQ(helped, 1);
    EXPECT_EQ(copied, 1);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    buttons->findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    QDialog plain;
    QDialogButtonBox* noHelp = NewListButtons(&plain, {}, [] {});
    EXPECT_EQ(noHelp->findChild<QPushButton*>("help"), nullptr);
    EXPECT_NE(noHelp->findChild<QPushButton*>("copy"), nullptr);
}

}  // namespace
}  // namespace kel::diag
