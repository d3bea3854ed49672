#include "diag/ui/progress_dialog.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>

#include "qt_app.h"

namespace kel::diag {
namespace {

QDialog* progressDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "scanProgress") {
            return qobject_cast<QDialog*>(widget);
        }
    }
    return nullptr;
}

void settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test::app(); }
    void TearDown() override {
        CloseProgressDialog();
        settle();
        SetProgressCancelHandler({});
    }
};

TEST_F(ProgressDialogTest, CreatedHiddenShownByTheFirstAdvanceClosedByItsOwner) {
    AdvanceProgress();  // nothing to advance yet
    settle();
    EXPECT_EQ(progressDialog(), nullptr);

    test::runOnWorker([] { CreateProgressDialog(); });
    QDialog* dialog = progressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ProgressDialogExists());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Scanning Disc...");

    test::runOnWorker([] {
        AdvanceProgress();
        AdvanceProgress();
    });
    settle();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(ProgressDialogShown());
    EXPECT_FALSE(dialog->findChild<QProgressBar*>("progress")->isVisible());

    dialog->close();  // anyone but the owner is ignored
    settle();
    EXPECT_TRUE(dialog->isVisible());

    test::runOnWorker([] { CloseProgressDialog(); });
    settle();
    EXPECT_EQ(progressDialog(), nullptr);
    EXPECT_FALSE(ProgressDialogExists());
}

TEST_F(ProgressDialogTest, CancelAsksTheOperationToStopAndTheDialogStays) {
    int cancels = 0;
    SetProgressCancelHandler([&] { ++cancels; });
    CreateProgressDialog();
    AdvanceProgress();
    settle();
    QDialog* dialog = progressDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>("cancel")->click();
    dialog->reject();  // Escape
    settle();
    EXPECT_EQ(cancels, 2);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ProgressDialogTest, ANewDialogReplacesTheOldAndIsHiddenAgain) {
    CreateProgressDialog();
    AdvanceProgress();
    settle();
    CreateProgressDialog();
    settle();
    QDialog* dialog = progressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(ProgressDialogShown());
    int dialogs = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        dialogs += widget->objectName() == "scanProgress";
    }
    EXPECT_EQ(dialogs, 1);
}

}  // namespace
}  // namespace kel::diag
