// The program's help as the user meets it: the one help window at a topic,
// its links, the way back and to the contents, the pop-up beside a line,
// and a message that names the file when the help can't be shown.
#include "diag/ui/help_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <string>
#include <vector>

#include "diag/ui/help_file.h"
#include "diag/ui/messages.h"
#include "qt_app.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

std::vector<QWidget*> shown(const char* objectName) {
    std::vector<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == objectName && widget->isVisible()) {
            found.push_back(widget);
        }
    }
    return found;
}

class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        SetHelpFilePath(file_);
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            messages_.push_back(id);
            texts_.push_back(text);
            return answer::kOk;
        });
    }
    void TearDown() override {
        CloseProgramHelp();
        SetMessageResponder({});
        SetHelpFilePath({});
    }

    void writeHelp(const std::string& text) { folder_.write("TEST.hlp", text); }

    HelpWindow* window() {
        const std::vector<QWidget*> windows = shown("helpWindow");
        EXPECT_EQ(windows.size(), 1u);
        return windows.empty() ? nullptr : static_cast<HelpWindow*>(windows.front());
    }
    QString shownText() { return window()->findChild<QTextBrowser*>("topic")->toPlainText(); }

    kel::test::TempFolder folder_;
    std::filesystem::path file_ = folder_.path() / "TEST.hlp";
    std::vector<int> messages_;
    std::vector<std::string> texts_;
};

constexpr char kHelp[] =
    "@0 Contents\nStart here: [[2]].\n"
    "@1 Results of Analysis\nOne line each.\n"
    "@2 Table of Contents\nThe tracks; see [[1]].\n"
    "@15044 Last track is not the lead-out\nClose the disc.\n";

TEST_F(HelpWindowTest, OneWindowShowsTheContextAndFollowsLinksBackAndToTheContents) {
    writeHelp(kHelp);
    OpenProgramHelp(2);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(window()->shownTopic(), 2);
    EXPECT_TRUE(shownText().startsWith("Table of Contents\nThe tracks; see Results of Analysis."))
        << shownText().toStdString();
    EXPECT_TRUE(window()->windowTitle().endsWith("Table of Contents"));
    auto* back = window()->findChild<QPushButton*>("back");
    EXPECT_FALSE(back->isEnabled());

    emit window()->findChild<QTextBrowser*>("topic")->anchorClicked(QUrl("help:1"));
    EXPECT_EQ(window()->shownTopic(), 1);
    EXPECT_TRUE(back->isEnabled());
    // A link to no topic, or not ours, leaves the topic as it is.
    emit window()->findChild<QTextBrowser*>("topic")->anchorClicked(QUrl("help:7"));
    emit window()->findChild<QTextBrowser*>("topic")->anchorClicked(QUrl("https://x/1"));
    EXPECT_EQ(window()->shownTopic(), 1);
    back->click();
    EXPECT_EQ(window()->shownTopic(), 2);
    window()->findChild<QPushButton*>("contents")->click();
    EXPECT_EQ(window()->shownTopic(), 0);

    // Another dialog's help reuses the one window.
    OpenProgramHelp(1);
    EXPECT_EQ(window()->shownTopic(), 1);
    EXPECT_TRUE(messages_.empty());

    CloseProgramHelp();
    QApplication::processEvents();
    EXPECT_TRUE(shown("helpWindow").empty());
}

TEST_F(HelpWindowTest, APopUpExplainsOneTopicBesideWhatItExplains) {
    writeHelp(kHelp);
    ShowPopupHelp(15044, QPoint(300, 200));
    std::vector<QWidget*> popups = shown("helpPopup");
    ASSERT_EQ(popups.size(), 1u);
    const QString text = static_cast<QLabel*>(popups.front())->text();
    EXPECT_TRUE(text.contains("Last track is not the lead-out")) << text.toStdString();
    EXPECT_TRUE(text.contains("Close the disc.")) << text.toStdString();
    // Its top edge centred under the point (the window system may add a
    // frame of a few pixels).
    const QRect placed = popups.front()->frameGeometry();
    EXPECT_NEAR(placed.top(), 200, 4);
    EXPECT_NEAR(placed.center().x(), 300, 4);
    EXPECT_TRUE(shown("helpWindow").empty());

    // The next line's pop-up takes the place of the last.
    ShowPopupHelp(1, QPoint(300, 220));
    QApplication::processEvents();
    popups = shown("helpPopup");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_TRUE(static_cast<QLabel*>(popups.front())->text().contains("One line each."));
}

TEST_F(HelpWindowTest, HelpThatCantBeShownIsAMessageNamingTheFile) {
    const std::string file = file_.string();
    // No file at all.
    OpenProgramHelp(1);
    ShowPopupHelp(15044, QPoint(10, 10));
    ASSERT_EQ(messages_, (std::vector<int>{9073, 9073}));
    EXPECT_EQ(texts_[0],
              "Error opening the help file\nFile: " + file + "\nError: No such file or directory");

    // A file that is not a help document.
    writeHelp("@1 One\n@1 Again\n");
    OpenProgramHelp(1);
    EXPECT_EQ(texts_.back(),
              "Error opening the help file\nFile: " + file + "\nError: line 2: topic 1 again");

    // A folder where the file should be.
    std::filesystem::remove(file_);
    std::filesystem::create_directory(file_);
    OpenProgramHelp(1);
    EXPECT_EQ(messages_.back(), 9073);
    EXPECT_NE(texts_.back().find(file), std::string::npos);
    std::filesystem::remove(file_);

    // A good file without the topic asked for.
    writeHelp(kHelp);
    ShowPopupHelp(15045, QPoint(10, 10));
    EXPECT_EQ(messages_.back(), 9075);
    EXPECT_EQ(texts_.back(), "The help file has no topic 15045.\nFile: " + file);
    EXPECT_TRUE(shown("helpWindow").empty());
    EXPECT_TRUE(shown("helpPopup").empty());
}

}  // namespace
}  // namespace kel::diag
