// The preferences sheet edits a copy of the options: pages check what the
// user typed, and only OK applies and saves the copy.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "diag/ui/help_file.h"
#include "diag/ui/help_window.h"
#include "diag/ui/options/options_page.h"
#include "diag/ui/options/preferences_page.h"
#include "diag/ui/options/preferences_sheet.h"
#include "options_fixture.h"
#include "platform/base/paths.h"

namespace kel::diag {
namespace {

using test::OptionsFixture;

class Preferences : public OptionsFixture {
protected:
    void TearDown() override {
        CloseProgramHelp();
        SetHelpFilePath({});
        OptionsFixture::TearDown();
    }

    template <typename T>
    T* find(QWidget* sheet, const char* name) {
        T* widget = sheet->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Runs ShowPreferences, acting on the sheet once it is shown.
    bool runSheet(const std::function<void(PreferencesSheet*)>& act) {
        QTimer::singleShot(0, [act] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* sheet = qobject_cast<PreferencesSheet*>(widget)) {
                    act(sheet);
                    return;
                }
            }
            FAIL() << "no sheet shown";
        });
        return ShowPreferences();
    }

    void showPage(PreferencesSheet& sheet, int index) { sheet.tabs()->setCurrentIndex(index); }
};

TEST_F(Preferences, CancelKeepsTheOptionsAndOkAppliesAndSavesThem) {
    LoadOptions();
    EXPECT_FALSE(runSheet([this](PreferencesSheet* sheet) {
        find<QCheckBox>(sheet, "removeVersion")->setChecked(true);
        find<QPushButton>(sheet, "cancel")->click();
    }));
    EXPECT_EQ(Options().removeVersion, 0);
    EXPECT_FALSE(settings().ReadBool("RemoveVersion", false));

    EXPECT_TRUE(runSheet([this](PreferencesSheet* sheet) {
        find<QCheckBox>(sheet, "removeVersion")->setChecked(true);
        find<QCheckBox>(sheet, "sortInitial")->setChecked(false);
        find<QPushButton>(sheet, "ok")->click();
    }));
    EXPECT_EQ(Options().removeVersion, 1);
    EXPECT_EQ(Options().sortInitial, 0);
    EXPECT_TRUE(settings().ReadBool("RemoveVersion", false));
    EXPECT_FALSE(settings().ReadBool("SortInitial", true));
}

TEST_F(Preferences, SampleCountsAreCheckedBeforeThePageIsLeft) {
    OptionsBlock copy;
    PreferencesSheet sheet(nullptr, copy);
    showPage(sheet, 1);
    find<QLineEdit>(&sheet, "quickSamples")->setText("0");
    showPage(sheet, 2);
    EXPECT_EQ(messages_, std::vector<int>{142});
    EXPECT_EQ(sheet.tabs()->currentIndex(), 1) << "the page stays";

    messages_.clear();
    find<QLineEdit>(&sheet, "quickSamples")->setText("250");
    find<QLineEdit>(&sheet, "moderateSamples")->setText("249");
    sheet.accept();
    EXPECT_EQ(messages_, std::vector<int>{143});
    EXPECT_EQ(sheet.result(), 0) << "OK kept the sheet open";

    messages_.clear();
    find<QLineEdit>(&sheet, "moderateSamples")->setText("250");
    sheet.accept();
    EXPECT_TRUE(messages_.empty()) << "equal counts are accepted";
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(copy.quickSamples, 250);
    EXPECT_EQ(copy.moderateSamples, 250);
}

TEST_F(Preferences, ThresholdsAreCheckedAndWrittenOnlyWhenEnabled) {
    OptionsBlock copy;
    {
        PreferencesSheet sheet(nullptr, copy);
        showPage(sheet, 1);
        EXPECT_FALSE(find<QLineEdit>(&sheet, "recoverableThreshold")->isEnabled());
        find<QLineEdit>(&sheet, "recoverableThreshold")->setText("5000");
        sheet.accept();
        EXPECT_TRUE(messages_.empty());
    }
    ApplyPreferences(copy);
    EXPECT_EQ(settings().ReadString("ErrorRecovered", "none"), "none");

    PreferencesSheet sheet(nullptr, copy);
    showPage(sheet, 1);
    find<QCheckBox>(&sheet, "thresholdsEnabled")->setChecked(true);
    EXPECT_TRUE(find<QLineEdit>(&sheet, "recoverableThreshold")->isEnabled());
    find<QLineEdit>(&sheet, "recoverableThreshold")->setText("1000");
    sheet.accept();
    EXPECT_EQ(messages_, std::vector<int>{141});
    find<QLineEdit>(&sheet, "recoverableThreshold")->setText("999");
    find<QLineEdit>(&sheet, "unrecoverableThreshold")->setText("3");
    sheet.accept();
    ASSERT_EQ(sheet.result(), QDialog::Accepted);
    ApplyPreferences(copy);
    EXPECT_EQ(settings().ReadString("ErrorRecovered", ""), "999");
    EXPECT_EQ(settings().ReadString("ErrorUnrecovered", ""), "3");
    EXPECT_TRUE(settings().ReadBool("ErrThreshold", false));
}

TEST_F(Preferences, StoredThresholdsAreShownAndJunkReadsAsZero) {
    settings().WriteString("ErrorRecovered", "12");
    settings().WriteString("ErrorUnrecovered", "many");
    runSheet([this](PreferencesSheet* sheet) {
        showPage(*sheet, 1);
        EXPECT_EQ(find<QLineEdit>(sheet, "recoverableThreshold")->text(), "12");
        EXPECT_EQ(find<QLineEdit>(sheet, "unrecoverableThreshold")->text(), "0");
        find<QPushButton>(sheet, "cancel")->click();
    });
}

TEST_F(Preferences, ResetStatisticsActsAtOnceButTheDeviceResetOnlyAfterOk) {
    settings().WriteString("ErrorRecovered", "4");
    EXPECT_FALSE(runSheet([this](PreferencesSheet* sheet) {
        showPage(*sheet, 2);
        find<QPushButton>(sheet, "resetStatisticsRequest")->click();
        find<QPushButton>(sheet, "cancel")->click();
    }));
    EXPECT_EQ(settings().ReadString("ErrorRecovered", "gone"), "4");

    EXPECT_FALSE(runSheet([this](PreferencesSheet* sheet) {
        showPage(*sheet, 1);
        find<QPushButton>(sheet, "resetStatistics")->click();
        find<QPushButton>(sheet, "cancel")->click();
    }));
    EXPECT_EQ(messages_, std::vector<int>{168});
    EXPECT_EQ(settings().ReadString("ErrorRecovered", "gone"), "gone");

    settings().WriteString("ErrorRecovered", "4");
    EXPECT_TRUE(runSheet([this](PreferencesSheet* sheet) {
        showPage(*sheet, 2);
        find<QPushButton>(sheet, "resetStatisticsRequest")->click();
        find<QPushButton>(sheet, "ok")->click();
    }));
    EXPECT_EQ(settings().ReadString("ErrorRecovered", "gone"), "gone");
    EXPECT_EQ(Options().resetStatisticsRequest, 0);
}

// New thresholds entered with the Reset of the statistics in one OK are the
// ones kept: the reset goes first.
TEST_F(Preferences, ThresholdsAndResetInOneOkKeepTheNewThresholds) {
    settings().WriteString("ErrorRecovered", "4");
    settings().WriteString("ErrorUnrecovered", "5");
    EXPECT_TRUE(runSheet([this](PreferencesSheet* sheet) {
        showPage(*sheet, 1);
        find<QCheckBox>(sheet, "thresholdsEnabled")->setChecked(true);
        find<QLineEdit>(sheet, "recoverableThreshold")->setText("20");
        find<QLineEdit>(sheet, "unrecoverableThreshold")->setText("2");
        showPage(*sheet, 2);
        find<QPushButton>(sheet, "resetStatisticsRequest")->click();
        find<QPushButton>(sheet, "ok")->click();
    }));
    EXPECT_TRUE(settings().ReadBool("ErrThreshold", false));
    EXPECT_EQ(settings().ReadString("ErrorRecovered", "gone"), "20");
    EXPECT_EQ(settings().ReadString("ErrorUnrecovered", "gone"), "2");
}

TEST_F(Preferences, ResetGuidesRestoresEveryGuideAfterOk) {
    LoadOptions();
    ASSERT_EQ(GuideFlags(), 0u);
    runSheet([this](PreferencesSheet* sheet) {
        find<QPushButton>(sheet, "resetGuides")->click();
        EXPECT_EQ(find<QLabel>(sheet, "notice")->text(), "All user guide messages restored.");
        find<QPushButton>(sheet, "ok")->click();
    });
    EXPECT_EQ(GuideFlags(), 0x3FFu);
    EXPECT_EQ(settings().ReadString("GuideUser", ""), "1,1,1,1,1,1,1,1,1,1");
}

TEST_F(Preferences, TracingSwitchTogglesDebugModeAndClearsTheHistory) {
    RegistryKey history;
    ASSERT_TRUE(settings().isOpen());
    ASSERT_TRUE(history.Open("MORVALE\\ErrorSum"));
    history.WriteDword("Runs", 3);
    OptionsBlock copy;
    OptionsPage page(nullptr, copy);
    page.toggleTracing();
    EXPECT_EQ(copy.debugMode, 1);
    EXPECT_EQ(page.findChild<QLabel*>("notice")->text(), "Tracing has been activated.");
    EXPECT_EQ(history.ReadDword("Runs", 0), 0u);
    page.toggleTracing();
    EXPECT_EQ(copy.debugMode, 0);
    EXPECT_EQ(page.findChild<QLabel*>("notice")->text(), "Tracing has been turned off.");

    page.toggleTracing();
    ApplyPreferences(copy);
    EXPECT_TRUE(logSwitches().debugMode);
    EXPECT_TRUE(settings().ReadBool("DebugMode", false));
}

TEST_F(Preferences, AcceptingReadErrorsWarnsOnlyWhenSwitchedOn) {
    OptionsBlock copy;
    OptionsPage page(nullptr, copy);
    page.setActive();
    auto* box = page.findChild<QCheckBox*>("acceptErrors");
    box->setChecked(true);
    EXPECT_EQ(messages_, std::vector<int>{224});
    EXPECT_TRUE(box->isChecked());
    ASSERT_TRUE(page.killActive());
    EXPECT_EQ(copy.acceptErrors, 1);
    messages_.clear();
    page.setActive();
    box->setChecked(false);
    box->setChecked(true);
    EXPECT_TRUE(messages_.empty()) << "it was on already";
}

// The shown help window's or pop-up's topic, as a top-level widget of that
// name; null when none is shown.
QWidget* shownHelp(const char* objectName) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == objectName && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

// With the help file that ships beside the program: each page's Help button
// opens its own context, and each control of a page's help table is on the
// page, explains itself from its topic, and pops that topic up on F1.
TEST_F(Preferences, PagesAndTheirControlsHaveTheShippedHelp) {
    SetHelpFilePath(HelpFilePath((paths::programDir() / "MORVALE").string()));
    const HelpParse help = ReadProgramHelp();
    ASSERT_TRUE(help.document) << help.error;
    OptionsBlock copy;
    PreferencesSheet sheet(nullptr, copy);
    sheet.show();
    const int contexts[] = {help_context::kPreferences, help_context::kPreferences,
                            help_context::kDeviceSettings};
    ASSERT_EQ(sheet.pages().size(), std::size(contexts));
    for (std::size_t index = 0; index < sheet.pages().size(); ++index) {
        PreferencesPage* page = sheet.pages()[index];
        showPage(sheet, static_cast<int>(index));
        find<QPushButton>(&sheet, "help")->click();
        auto* window = static_cast<HelpWindow*>(shownHelp("helpWindow"));
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->shownTopic(), contexts[index]) << "page " << index;

        ASSERT_FALSE(page->controlHelp().empty());
        for (const ControlHelp& entry : page->controlHelp()) {
            auto* control = page->findChild<QWidget*>(entry.objectName);
            ASSERT_NE(control, nullptr) << entry.objectName;
            const HelpTopic* topic = help.document->Find(entry.topic);
            ASSERT_NE(topic, nullptr) << "control topic " << entry.topic;
            EXPECT_EQ(control->whatsThis().toStdString(), HelpTopicHtml(*help.document, *topic))
                << entry.objectName;
            if (!control->isEnabled()) {
                continue;
            }
            control->setFocus();
            QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
            QApplication::sendEvent(&sheet, &f1);
            const QString title = QString::fromStdString(topic->title).toHtmlEscaped();
            auto* popup = static_cast<QLabel*>(shownHelp("helpPopup"));
            ASSERT_NE(popup, nullptr) << entry.objectName;
            EXPECT_TRUE(popup->text().contains(title)) << entry.objectName;

            // Its context menu's "What's This?" pops up the same topic; a
            // text box keeps its editing menu.
            if (qobject_cast<QLineEdit*>(control) != nullptr) {
                continue;
            }
            CloseProgramHelp();
            QTimer::singleShot(0, [] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    menu->setActiveAction(menu->actions().front());
                    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                    QApplication::sendEvent(menu, &enter);
                }
            });
            emit control->customContextMenuRequested(QPoint(1, 1));
            popup = static_cast<QLabel*>(shownHelp("helpPopup"));
            ASSERT_NE(popup, nullptr) << "context menu of " << entry.objectName;
            EXPECT_TRUE(popup->text().contains(title)) << entry.objectName;
        }
    }
    EXPECT_TRUE(messages_.empty());

    // F1 away from the table's controls is the page's own help.
    CloseProgramHelp();
    sheet.tabs()->tabBar()->setFocus();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&sheet, &f1);
    auto* window = static_cast<HelpWindow*>(shownHelp("helpWindow"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->shownTopic(), help_context::kDeviceSettings);
    EXPECT_EQ(shownHelp("helpPopup"), nullptr);

    // Without the file the Help button says which file is missing.
    CloseProgramHelp();
    SetHelpFilePath(folder_ / "MISSING.hlp");
    find<QPushButton>(&sheet, "help")->click();
    EXPECT_EQ(messages_, std::vector<int>{9073});
    EXPECT_NE(texts_.back().find((folder_ / "MISSING.hlp").string()), std::string::npos);
}

}  // namespace
}  // namespace kel::diag
