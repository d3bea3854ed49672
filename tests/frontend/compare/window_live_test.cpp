// The compare window, clicked offscreen, against the real server.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <sstream>

#include "compare_fixture.h"
#include "frontend/common/icons.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/compare/tfcompare.h"
#include "frontend/compare/time_texts.h"
#include "qt_application.h"
#include "tests/frontend/common/scripted_client.h"
#include "tests/support/live_server.h"
#include "third_party_tools.h"

namespace kel::compare::testing {
namespace {

using frontend::KelCdData;

std::string fileText(const fs::path& file) {
    std::stringstream out;
    out << std::ifstream(file).rdbuf();
    return out.str();
}

class WindowLive : public LiveCompare {
protected:
    void SetUp() override {
        LiveCompare::SetUp();
        if (IsSkipped()) {
            return;
        }
        files_ =
            discs_.parent_path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(files_);
    }

    void TearDown() override {
        if (form_) {
            // The window asks the server to end as it goes.
            kel::test::CloseAndAwaitServerEnd(*client_, [this] { form_.reset(); });
        }
        icons_.reset();
        LiveCompare::TearDown();
    }

    TFcompareOptions options() {
        TFcompareOptions o;
        o.IniPath = files_ / "KEL.INI";
        o.AskYesNo = [this](const QString& question) {
            questions_.push_back(question.toStdString());
            return answer_;
        };
        o.Tell = [this](const QString& message) { told_.push_back(message.toStdString()); };
        o.ChooseSaveFile = [this](QWidget&, const QString&, const QString& name) {
            savedName_ = name.toStdString();
            return QString::fromStdString((files_ / "results.rtf").string());
        };
        o.ChoosePrinter = [this](QPrinter& printer, QWidget&) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString((files_ / "results.pdf").string()));
            return true;
        };
        o.CloseDriveLimit = std::chrono::seconds(5);
        return o;
    }

    // Shows the window and waits until it listed the drives.
    void open() {
        icons_ = std::make_unique<frontend::Ticons>(*client_);
        form_ = std::make_unique<TFcompare>(*client_, *icons_, options());
        form_->show();
        ASSERT_TRUE(waitFor([this] { return combo("DR_c0")->count() > 0 || !told_.empty(); }));
    }

    template <typename T = QWidget>
    T* child(const char* name) {
        T* found = form_->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QComboBox* combo(const char* name) { return child<QComboBox>(name); }
    QLineEdit* edit(const char* name) { return child<QLineEdit>(name); }
    QString results() { return form_->Results().toPlainText(); }
    QAction* action(const char* name) { return child<QAction>(name); }
    // The name of the control with the keyboard focus.
    static std::string focused() {
        QWidget* widget = QApplication::focusWidget();
        return widget ? widget->objectName().toStdString() : std::string("(none)");
    }
    // The status bar's count of compared sectors.
    QString sectorCount() {
        for (QLabel* label : child<QStatusBar>("StatusBar1")->findChildren<QLabel*>()) {
            if (label->text().endsWith(" sectors compared")) {
                return label->text();
            }
        }
        return {};
    }

    void clickCompare() { QTest::mouseClick(child<QPushButton>("comparecd"), Qt::LeftButton); }
    bool waitForRunEnd() {
        return waitFor([this] { return !form_->Running(); }, std::chrono::seconds(60));
    }

    fs::path files_;
    std::unique_ptr<frontend::Ticons> icons_;
    std::unique_ptr<TFcompare> form_;
    std::vector<std::string> questions_;
    std::vector<std::string> told_;
    std::string savedName_;
    bool answer_ = true;
};

class TwoDiscs : public WindowLive {
protected:
    void SetUp() override {
        WindowLive::SetUp();
        if (IsSkipped()) {
            return;
        }
        fs::path master = buildData("master", 1, "MASTER");
        fs::path copy = copyOf("master", "copy", {{20, 500}});
        if (!start({{'D', master}, {'E', copy}})) {
            return;
        }
        size_ = leadOut("master");
        open();
    }

    std::int32_t size_ = 0;
};

TEST_F(TwoDiscs, StartUpShowsBothDrivesAndTheirDiscs) {
    EXPECT_EQ(form_->windowTitle().toStdString(), "Kelvane - V5.0 - CD-Rom Disc Compare");
    ASSERT_EQ(combo("DR_c0")->count(), 2);
    EXPECT_TRUE(combo("DR_c0")->itemText(0).startsWith(" D: KELEMU CD-ROM EMULATED "))
        << combo("DR_c0")->itemText(0).toStdString();
    EXPECT_EQ(combo("DR_c1")->currentIndex(), 1);
    EXPECT_EQ(child<QLabel>("LabelMDV")->text().toStdString(), "MASTER");
    EXPECT_EQ(child<QLabel>("LabelCDV")->text().toStdString(), "MASTER");
    EXPECT_FALSE(child<QLabel>("Icon0")->pixmap().isNull());
    EXPECT_EQ(edit("Setmin")->text().toStdString(), "0");
    EXPECT_EQ(edit("setmax")->text().toInt(), size_);
    EXPECT_TRUE(child<QPushButton>("comparecd")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("StopButton")->isEnabled());
    EXPECT_EQ(results().toStdString(),
              "Master Size: " + std::to_string(size_) + "\n  Copy Size: " + std::to_string(size_));
}

TEST_F(TwoDiscs, CompareRunLocksTheControlsAndWritesTheReport) {
    edit("setmax")->setText("40");
    clickCompare();
    ASSERT_TRUE(form_->Running());
    for (const char* name :
         {"DR_c0", "DR_c1", "comparecd", "Setmin", "setmax", "SaveButton", "PrintButton"}) {
        EXPECT_FALSE(child(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(action("CompareDiscs1")->isEnabled());
    EXPECT_FALSE(form_->pm_s.isEnabled());
    EXPECT_TRUE(child<QToolButton>("StopButton")->isEnabled());
    // A second start while running does nothing.
    action("CompareDiscs1")->trigger();

    ASSERT_TRUE(waitForRunEnd());
    for (const char* name :
         {"DR_c0", "DR_c1", "comparecd", "Setmin", "setmax", "SaveButton", "PrintButton"}) {
        EXPECT_TRUE(child(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(child<QToolButton>("StopButton")->isEnabled());
    EXPECT_EQ(child<QProgressBar>("g0")->value(), 100);
    EXPECT_EQ(sectorCount().toStdString(), "40 sectors compared");

    QStringList lines = results().split('\n');
    // Twelve lines, the last being the summary's count; nothing follows it.
    ASSERT_EQ(lines.size(), 12) << results().toStdString();
    EXPECT_EQ(lines[0].toStdString(), "Kelvane CD-Rom Disc Compare V5.0");
    EXPECT_EQ(lines[1].toStdString(), "Disc compare test results");
    EXPECT_EQ(lines[2], "Tested on: " + DateText(QDate::currentDate()));
    EXPECT_EQ(lines[3].toStdString(), "Master Size: " + std::to_string(size_));
    EXPECT_EQ(lines[4].toStdString(), "  Copy Size: " + std::to_string(size_));
    EXPECT_EQ(lines[5].toStdString(), "Testing from 0 to 40");
    EXPECT_TRUE(lines[6].startsWith("Start time:   "));
    EXPECT_EQ(lines[7].toStdString(), "     ERROR Data field difference");
    EXPECT_EQ(lines[8].toStdString(), "  FRAME: 20");
    EXPECT_TRUE(lines[9].startsWith("Finish time: "));
    EXPECT_TRUE(lines[10].startsWith("Total time: "));
    EXPECT_EQ(lines[11].toStdString(), "Total sectors compared: 40");

    QTextBlock error = form_->Results().findBlockByNumber(7);
    QTextCharFormat format = error.begin().fragment().charFormat();
    EXPECT_EQ(format.fontWeight(), QFont::Bold);
    EXPECT_EQ(format.foreground().color(), QColor(Qt::red));
    // The frame line comes in the same step and must not take the error's style.
    QTextCharFormat frame = form_->Results().findBlockByNumber(8).begin().fragment().charFormat();
    EXPECT_EQ(frame.fontWeight(), QFont::Normal);
    EXPECT_EQ(frame.foreground().color(), QColor(Qt::black));
    EXPECT_EQ(form_->Results().findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHCenter,
              Qt::AlignHCenter);
    EXPECT_EQ(form_->Results().defaultFont().family().toStdString(), "Times New Roman");
}

TEST_F(TwoDiscs, UnevenRangeFromTheFieldsIsComparedWhole) {
    edit("Setmin")->setText("5");
    edit("setmax")->setText("34");
    clickCompare();
    ASSERT_TRUE(waitForRunEnd());
    const QString text = results();
    EXPECT_TRUE(text.contains("Testing from 5 to 34")) << text.toStdString();
    EXPECT_TRUE(text.contains("     ERROR Data field difference\n  FRAME: 20\nFinish time: "))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("Total sectors compared: 29")) << text.toStdString();
    EXPECT_EQ(child<QProgressBar>("g0")->value(), 100);
}

TEST_F(TwoDiscs, KeyboardFocusStaysOffTheReportThroughARun) {
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    edit("setmax")->setText("12");
    child("comparecd")->setFocus();
    clickCompare();
    ASSERT_TRUE(form_->Running());
    EXPECT_EQ(focused(), "StopButton");
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(focused(), "comparecd");
}

TEST_F(TwoDiscs, RunFailingAtItsFirstBlockCountsNoSectors) {
    edit("setmax")->setText("12");
    clickCompare();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(sectorCount().toStdString(), "12 sectors compared");
    // Past the end of the disc: the first read fails.
    edit("Setmin")->setText(QString::number(size_ + 100));
    edit("setmax")->setText(QString::number(size_ + 112));
    clickCompare();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_TRUE(results().contains("ERROR READING Master Disc")) << results().toStdString();
    EXPECT_EQ(sectorCount().toStdString(), "0 sectors compared");
}

TEST_F(TwoDiscs, MediaPollingKeepsTheResultsOfAFinishedRun) {
    edit("setmax")->setText("12");
    clickCompare();
    ASSERT_TRUE(waitForRunEnd());
    const QString report = results();
    // Take the copy out and put it back: the polls see the change.
    action("opendrive1")->trigger();
    action("closedrive1")->trigger();
    EXPECT_EQ(child<QLabel>("LabelCDV")->text().toStdString(), "MASTER");
    waitFor([] { return false; }, std::chrono::milliseconds(1500));
    EXPECT_EQ(results(), report);
}

TEST_F(TwoDiscs, SavedReportReadsBackWithUnrtf) {
    if (!kel::test::haveProgram("unrtf")) {
        GTEST_SKIP() << "unrtf (Debian package unrtf) is needed to read the RTF back";
    }
    edit("setmax")->setText("24");
    clickCompare();
    ASSERT_TRUE(waitForRunEnd());
    QTest::mouseClick(child<QToolButton>("SaveButton"), Qt::LeftButton);
    EXPECT_EQ(savedName_, std::to_string(DayNumber(QDate::currentDate())));
    QString html =
        RunTool("unrtf", {"--html", QString::fromStdString((files_ / "results.rtf").string())});
    QString text =
        RunTool("unrtf", {"--text", QString::fromStdString((files_ / "results.rtf").string())});
    for (const QString& line : results().split('\n')) {
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\n" << text.toStdString();
    }
    EXPECT_TRUE(html.contains("<font color=\"#ff0000\"><b>     ERROR Data field difference"))
        << html.toStdString();
    EXPECT_TRUE(html.contains("<font face=\"Times New Roman\">")) << html.toStdString();
}

TEST_F(TwoDiscs, PrintedReportHoldsTheResults) {
    if (!kel::test::haveProgram("pdftotext") || !kel::test::haveProgram("pdfinfo")) {
        GTEST_SKIP() << "pdftotext and pdfinfo (Debian package poppler-utils) are needed";
    }
    edit("setmax")->setText("24");
    clickCompare();
    ASSERT_TRUE(waitForRunEnd());
    QTest::mouseClick(child<QToolButton>("PrintButton"), Qt::LeftButton);
    const QString pdf = QString::fromStdString((files_ / "results.pdf").string());
    QString text = RunTool("pdftotext", {"-layout", pdf, "-"});
    for (const char* line :
         {"Disc compare test results", "Testing from 0 to 24", "ERROR Data field difference",
          "FRAME: 20", "Total sectors compared: 24"}) {
        EXPECT_TRUE(text.contains(line)) << line << "\n" << text.toStdString();
    }
    EXPECT_TRUE(RunTool("pdfinfo", {pdf}).contains("KEL Compare results"));
}

TEST_F(TwoDiscs, SameDriveTwiceIsRefused) {
    combo("DR_c1")->setCurrentIndex(0);
    emit combo("DR_c1")->activated(0);
    clickCompare();
    EXPECT_FALSE(form_->Running());
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0],
              "The master disc and the copy disc are in the same drive. Choose two drives.");
}

TEST_F(TwoDiscs, RangeThatIsNotANumberStartsNothing) {
    edit("Setmin")->setText("12a");
    clickCompare();
    EXPECT_FALSE(form_->Running());
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0], "'12a' is not a valid integer value");
    EXPECT_TRUE(child<QPushButton>("comparecd")->isEnabled());
    EXPECT_TRUE(combo("DR_c0")->isEnabled());
}

TEST_F(TwoDiscs, ClosingDuringARunStopsTheWorkerFirst) {
    QSignalSpy serverClosed(client_.get(), &frontend::Tkelcd::FormClosed);
    clickCompare();
    ASSERT_TRUE(form_->Running());
    form_->close();
    EXPECT_FALSE(form_->Running());
    EXPECT_TRUE(results().contains("Total sectors compared: "));
    EXPECT_LT(results().split("Total sectors compared: ").last().toInt(), size_);
    EXPECT_TRUE(waitFor([&] { return serverClosed.count() > 0; }));
    KelCdData.ServerConnected = 0;
    EXPECT_NE(fileText(files_ / "KEL.INI").find("drive=1"), std::string::npos);
}

class DifferentSizes : public WindowLive {
protected:
    void SetUp() override {
        WindowLive::SetUp();
        if (IsSkipped()) {
            return;
        }
        fs::path master = buildData("master", 1, "MASTER");
        // The copy: the master's first 100 sectors only.
        fs::path small = copyOf("master", "small", {});
        fs::resize_file(discs_ / "small.bin", 2352u * 100);
        if (!start({{'D', master}, {'E', small}})) {
            return;
        }
        open();
    }
};

const std::vector<std::string> kSizeQuestion{
    "Size of discs are not the same! Do you want to continue testing"};

TEST_F(DifferentSizes, AnsweringNoStartsNothing) {
    answer_ = false;
    clickCompare();
    EXPECT_FALSE(form_->Running());
    EXPECT_EQ(questions_, kSizeQuestion);
    EXPECT_TRUE(results().contains("Size of discs are not the same!\nWill use smaller size"))
        << results().toStdString();
    EXPECT_FALSE(results().contains("Testing from"));
    EXPECT_EQ(edit("setmax")->text().toStdString(), "100");
    EXPECT_TRUE(child<QPushButton>("comparecd")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("StopButton")->isEnabled());
}

TEST_F(DifferentSizes, AnsweringYesComparesTheSmallerRangeAndKeepsTheSizeLines) {
    clickCompare();
    EXPECT_EQ(questions_, kSizeQuestion);
    ASSERT_TRUE(waitForRunEnd());
    QString text = results();
    EXPECT_TRUE(text.contains("Testing from 0 to 100")) << text.toStdString();
    EXPECT_TRUE(text.contains("Total sectors compared: 100"));
    EXPECT_TRUE(text.contains("Size of discs are not the same!\nWill use smaller size"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("Tested on: "));
    QTextBlock line = form_->Results().findBlockByNumber(
        static_cast<int>(text.left(text.indexOf("Size of discs")).count('\n')));
    EXPECT_EQ(line.begin().fragment().charFormat().fontWeight(), QFont::Bold);
}

class OneDrive : public WindowLive {};

TEST_F(OneDrive, CopySideIsHiddenAndCompareStaysOff) {
    if (!start({{'D', buildData("master", 1, "MASTER")}})) {
        return;
    }
    open();
    EXPECT_TRUE(child("DR_c1")->isHidden());
    EXPECT_TRUE(child("g0")->isHidden());
    EXPECT_TRUE(child("Message1")->isHidden());
    EXPECT_FALSE(child<QPushButton>("comparecd")->isEnabled());
}

// The question box the form asks through: an error box with Yes and No,
// where only Yes goes on.
TEST(CompareQuestionBox, OnlyYesGoesOn) {
    EnsureApplication();
    const auto ask = DefaultCompareOptions().AskYesNo;
    enum class Answer { Yes, No, Escape };
    for (auto [answer, expected] :
         {std::pair{Answer::Yes, true}, {Answer::No, false}, {Answer::Escape, false}}) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QString text;
        QTimer answering;
        answering.setInterval(10);
        QObject::connect(&answering, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            answering.stop();
            icon = box->icon();
            buttons = box->standardButtons();
            text = box->text();
            if (answer == Answer::Escape) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->button(answer == Answer::Yes ? QMessageBox::Yes : QMessageBox::No)->click();
            }
        });
        answering.start();
        EXPECT_EQ(ask(QString::fromStdString(kSizeQuestion[0])), expected);
        EXPECT_EQ(icon, QMessageBox::Critical);
        EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(text.toStdString(), kSizeQuestion[0]);
    }
}

// "KEL.INI" with a client that has no server behind it.
TEST(CompareIniWindow, CreatedWithTheDefaultsAndKeptAcrossRuns) {
    EnsureApplication();
    frontend::testing::TempFolder folder;
    frontend::testing::ScriptedClient client;
    frontend::Ticons icons(client);
    TFcompareOptions o;
    o.IniPath = folder.path() / "KEL.INI";
    {
        TFcompare form(client, icons, o);
        ASSERT_TRUE(fs::exists(o.IniPath));
        profile::IniFile ini(o.IniPath);
        for (auto [key, value] : {std::pair{"drive", 1},
                                  {"showhints", 1},
                                  {"ignoresync", 0},
                                  {"Enable0", 1},
                                  {"Enable1", 1},
                                  {"Master", 0}}) {
            EXPECT_EQ(ini.readInteger("COMPPARM", key, -7), value) << key;
        }
        form.findChild<QAction*>("HintsOff1")->trigger();
        form.findChild<QAction*>("IgnoreSync1")->trigger();
        EXPECT_TRUE(form.findChild<QToolButton*>("SaveButton")->toolTip().isEmpty());
    }
    {
        profile::IniFile ini(o.IniPath);
        ini.writeInteger("COMPPARM", "drive", 5);
        TFcompare form(client, icons, o);
        EXPECT_FALSE(form.findChild<QAction*>("HintsOff1")->isChecked());
        EXPECT_TRUE(form.findChild<QAction*>("IgnoreSync1")->isChecked());
    }
    profile::IniFile ini(o.IniPath);
    EXPECT_EQ(ini.readInteger("COMPPARM", "drive", -1), 1);
    EXPECT_EQ(ini.readInteger("COMPPARM", "showhints", -1), 0);
    EXPECT_EQ(ini.readInteger("COMPPARM", "ignoresync", -1), 1);
    EXPECT_TRUE(client.requests.empty()) << "no request before the link is up";
}

}  // namespace
}  // namespace kel::compare::testing
