#include "diag/ui/file_dialog.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QTimer>

#include "qt_app.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

using namespace std::string_literals;

TEST(FileDialogFilter, PairsOfNameAndPattern) {
    EXPECT_EQ(FileDialogFilter("Text files\0*.txt\0All files\0*.*\0"s),
              "Text files (*.txt);;All files (*.*)");
    EXPECT_EQ(FileDialogFilter("Bitmap files\0*.bmp"s), "Bitmap files (*.bmp)");
}

TEST(FileDialogFilter, EmptyTextsAndALoneNameGo) {
    EXPECT_EQ(FileDialogFilter("\0\0Text files\0\0*.txt\0"s), "Text files (*.txt)");
    EXPECT_EQ(FileDialogFilter("Text files\0*.txt\0Orphan\0"s), "Text files (*.txt)");
    EXPECT_EQ(FileDialogFilter("Orphan"), "");
    EXPECT_EQ(FileDialogFilter(""), "");
}

// Answers the next file dialog: types `name` and accepts, or cancels when
// `name` is empty.
void answerFileDialog(const QString& name) {
    auto* timer = new QTimer(&test::app());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (name.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(name);
            // Through QDialog: the file dialog keeps its own accept() protected.
            static_cast<QDialog*>(dialog)->accept();
        }
    });
    timer->start(5);
}

TEST(RunFileDialog, SavingAddsTheSuffixAndCancelGivesNothing) {
    test::app();
    kel::test::TempFolder folder;
    FileDialogRequest request;
    request.title = "Save";
    request.start = folder.path().string();
    request.filter = FileDialogFilter("Text files\0*.txt\0"s);
    request.defaultSuffix = "TXT";
    answerFileDialog(QString::fromStdString((folder / "listing").string()));
    EXPECT_EQ(RunFileDialog(request), (folder / "listing.TXT").string());
    answerFileDialog({});
    EXPECT_EQ(RunFileDialog(request), "");
}

}  // namespace
}  // namespace kel::diag
