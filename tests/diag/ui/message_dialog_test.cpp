#include <gtest/gtest.h>

#include <QLabel>
#include <fstream>
#include <mutex>
#include <tuple>

#include "diag/tools/debug_log.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"
#include "qt_app.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

using test::app;
using test::button;
using test::clickWhenShown;
using test::whenDialogShown;

class MessageDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        SetMessageResponder({});
        MessageDialogWindow::setAutoAnswerDelay(kAutoAnswerDelay);
    }
    void TearDown() override { MessageDialogWindow::setAutoAnswerDelay(kAutoAnswerDelay); }
};

struct Layout {
    QStringList visible;  // texts of the visible buttons, in row order
    QString defaultButton;
    QString text;
};

// Shows message `id` with `styleWord`, records its layout, then presses
// `press` ("" for the close box).
Layout showAndPress(std::uint16_t id, std::uint16_t styleWord, const char* press, int& result) {
    Layout layout;
    whenDialogShown([&](MessageDialogWindow* dialog) {
        for (const char* name : {"button1", "button7", "button2"}) {
            QPushButton* b = button(dialog, name);
            if (b->isVisible()) {
                layout.visible << b->text();
            }
            if (b->isDefault()) {
                layout.defaultButton = name;
            }
        }
        layout.text = dialog->findChild<QLabel*>("messageText")->text();
        if (*press == '\0') {
            dialog->close();
        } else {
            button(dialog, press)->click();
        }
    });
    result = ShowMessage(MessageArg(id, styleWord), "Drive X");
    return layout;
}

TEST_F(MessageDialogTest, OkMessage) {
    int result = 0;
    const Layout layout = showAndPress(107, style::kOk, "button1", result);
    EXPECT_EQ(result, answer::kOk);
    EXPECT_EQ(layout.visible, QStringList{"OK"});
    EXPECT_EQ(layout.defaultButton, "button1");
    EXPECT_EQ(layout.text, "The Drive X CD-ROM drive is not ready.");
    showAndPress(107, style::kOk, "", result);
    EXPECT_EQ(result, answer::kCancel);  // the close box of an OK message
}

TEST_F(MessageDialogTest, OkCancelWithCancelDefault) {
    const std::uint16_t styleWord = style::kOkCancel | style::kSecondDefault;
    int result = 0;
    const Layout layout = showAndPress(253, styleWord, "button2", result);
    EXPECT_EQ(result, answer::kCancel);
    EXPECT_EQ(layout.visible, (QStringList{"OK", "Cancel"}));
    EXPECT_EQ(layout.defaultButton, "button2");
    showAndPress(253, styleWord, "button1", result);
    EXPECT_EQ(result, answer::kOk);
    showAndPress(253, styleWord, "", result);
    EXPECT_EQ(result, answer::kCancel);
}

TEST_F(MessageDialogTest, YesNoAnswersSixAndSeven) {
    int result = 0;
    Layout layout = showAndPress(244, style::kYesNo, "button1", result);
    EXPECT_EQ(result, answer::kYes);
    EXPECT_EQ(layout.visible, (QStringList{"&Yes", "&No"}));
    EXPECT_EQ(layout.defaultButton, "button1");
    showAndPress(244, style::kYesNo, "button2", result);
    EXPECT_EQ(result, answer::kNo);
    showAndPress(244, style::kYesNo, "", result);
    EXPECT_EQ(result, answer::kNo);  // the close box of a Yes/No message

    layout = showAndPress(244, style::kYesNo | style::kSecondDefault, "button2", result);
    EXPECT_EQ(layout.defaultButton, "button2");
    EXPECT_EQ(result, answer::kNo);
}

TEST_F(MessageDialogTest, YesNoCancelHasThreeButtonsAndEitherLaterDefault) {
    int result = 0;
    Layout layout = showAndPress(116, style::kYesNoCancel, "button1", result);
    EXPECT_EQ(layout.visible, (QStringList{"&Yes", "&No", "&Cancel"}));
    EXPECT_EQ(layout.defaultButton, "button1");
    EXPECT_EQ(result, answer::kOk);
    showAndPress(116, style::kYesNoCancel, "button7", result);
    EXPECT_EQ(result, answer::kNo);
    showAndPress(116, style::kYesNoCancel, "button2", result);
    EXPECT_EQ(result, answer::kCancel);
    showAndPress(116, style::kYesNoCancel, "", result);
    EXPECT_EQ(result, answer::kCancel);

    layout = showAndPress(116, style::kYesNoCancel | style::kSecondDefault, "button1", result);
    EXPECT_EQ(layout.defaultButton, "button7");
    layout = showAndPress(116, style::kYesNoCancel | style::kThirdDefault, "button1", result);
    EXPECT_EQ(layout.defaultButton, "button2");
}

TEST_F(MessageDialogTest, AutoAnswerPressesTheFirstButton) {
    MessageDialogWindow::setAutoAnswerDelay(std::chrono::milliseconds(50));
    EXPECT_EQ(ShowMessage(MessageArg(116, style::kYesNo | style::kAutoAnswer)), answer::kYes);
    EXPECT_EQ(kAutoAnswerDelay, std::chrono::milliseconds(20000));
}

TEST_F(MessageDialogTest, WithoutTheAutoAnswerBitTheDialogWaits) {
    MessageDialogWindow::setAutoAnswerDelay(std::chrono::milliseconds(1));
    bool stillShown = false;
    whenDialogShown([&](MessageDialogWindow* dialog) {
        QTimer::singleShot(100, dialog, [&stillShown, dialog] {
            stillShown = dialog->isVisible();
            button(dialog, "button2")->click();
        });
    });
    EXPECT_EQ(ShowMessage(MessageArg(116, style::kYesNo)), answer::kNo);
    EXPECT_TRUE(stillShown);
}

TEST_F(MessageDialogTest, AWorkerWaitsForTheAnswerGivenOnTheMainThread) {
    for (const auto& [press, expected] :
         {std::pair{"button1", answer::kYes}, std::pair{"button2", answer::kNo}}) {
        bool shownOnMainThread = false;
        whenDialogShown([&, press = press](MessageDialogWindow* dialog) {
            shownOnMainThread = dialog->thread() == app().thread();
            button(dialog, press)->click();
        });
        int result = 0;
        test::runOnWorker(
            [&] { result = ShowMessage(MessageArg(3010, style::kYesNo), "Drive X"); });
        EXPECT_EQ(result, expected);
        EXPECT_TRUE(shownOnMainThread);
    }
}

TEST_F(MessageDialogTest, AWorkerGetsTheAutoAnswer) {
    MessageDialogWindow::setAutoAnswerDelay(std::chrono::milliseconds(30));
    int result = 0;
    test::runOnWorker([&] { result = ShowMessage(MessageArg(116, 0x8004)); });
    EXPECT_EQ(result, answer::kYes);
}

TEST_F(MessageDialogTest, LongArgumentsAreCutToTheMessageLimit) {
    QString text;
    whenDialogShown([&](MessageDialogWindow* dialog) {
        text = dialog->findChild<QLabel*>("messageText")->text();
        dialog->close();
    });
    const std::string huge(5000, 'x');
    ShowMessage(3007, 1, huge, huge);
    EXPECT_EQ(text.size(), static_cast<qsizetype>(kMaxMessageText));
    EXPECT_TRUE(text.startsWith("Error reading sector 1 from xxx"));
}

TEST_F(MessageDialogTest, ShowMessageToUsesItsOwnerAndShorterLimit) {
    QWidget owner;
    QWidget* parent = nullptr;
    QString text;
    whenDialogShown([&](MessageDialogWindow* dialog) {
        parent = dialog->parentWidget();
        text = dialog->findChild<QLabel*>("messageText")->text();
        button(dialog, "button1")->click();
    });
    EXPECT_EQ(ShowMessageTo(&owner, MessageArg(108), std::string(500, 'd')), answer::kOk);
    EXPECT_EQ(parent, &owner);
    EXPECT_EQ(text.size(), static_cast<qsizetype>(kMaxOwnedMessageText));
}

TEST_F(MessageDialogTest, MessagesGoToTheDebugLogInDebugModeOnly) {
    const kel::test::TempFolder folder;
    const std::filesystem::path log = folder / "kel_messages_test.DBG";
    SetDebugLogPath(log);
    SetMessageResponder([](int, std::uint16_t, const std::string&) { return 1; });
    ShowMessage(102);
    EXPECT_FALSE(std::filesystem::exists(log));
    logSwitches().debugMode = true;
    SetMessageResponder({});
    clickWhenShown("button1");
    ShowMessage(102);
    clickWhenShown("button1");
    ShowMessageTo(nullptr, MessageArg(103));
    logSwitches().debugMode = false;
    SetDebugLogPath({});
    std::ifstream in(log, std::ios::binary);
    const std::string logged((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(logged, "No CD-ROM drive selected.\r\n");
}

TEST_F(MessageDialogTest, AResponderAnswersInPlaceOfTheDialogOnAnyThread) {
    std::vector<std::tuple<int, std::uint16_t, std::string>> asked;
    std::mutex mutex;
    SetMessageResponder([&](int id, std::uint16_t styleWord, const std::string& text) {
        std::lock_guard lock(mutex);
        asked.emplace_back(id, styleWord, text);
        return answer::kCancel;
    });
    EXPECT_EQ(ShowMessage(MessageArg(3010, style::kOkCancel), "PLEXTOR"), answer::kCancel);
    test::runOnWorker([] { ShowMessage(3012, "\\\\.\\D:"); });
    SetMessageResponder({});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(std::get<0>(asked[0]), 3010);
    EXPECT_EQ(std::get<1>(asked[0]), style::kOkCancel);
    EXPECT_EQ(std::get<2>(asked[0]),
              "There is no media in the PLEXTOR device.\nPlease replace the media and click OK to "
              "continue.");
    EXPECT_EQ(std::get<2>(asked[1]),
              "Unable to access \\\\.\\D: - You must have administrator privileges.");
}

TEST_F(MessageDialogTest, AllocationFailureShowsMessage111OnAnyThread) {
    std::atomic<int> shown{0};
    SetMessageContext(nullptr, "Quillon");
    SetMessageResponder([&](int id, std::uint16_t styleWord, const std::string& text) {
        EXPECT_EQ(id, 111);
        EXPECT_EQ(styleWord, style::kOk);
        EXPECT_EQ(text, "Insufficient storage for processing.");
        ++shown;
        return answer::kOk;
    });
    EXPECT_EQ(TrackedAlloc(-1, __FILE__, __LINE__), nullptr);
    test::runOnWorker([] { EXPECT_EQ(TrackedAlloc(-1, __FILE__, __LINE__), nullptr); });
    SetMessageResponder({});
    SetAllocationFailureReporter(nullptr);
    EXPECT_EQ(shown, 2);
}

TEST_F(MessageDialogTest, TheCaptionComesFromTheContext) {
    SetMessageContext(nullptr, "Quillon");
    QString caption;
    whenDialogShown([&](MessageDialogWindow* dialog) {
        caption = dialog->windowTitle();
        dialog->close();
    });
    ShowMessage(102);
    SetAllocationFailureReporter(nullptr);
    EXPECT_EQ(caption, "Quillon");
}

}  // namespace
}  // namespace kel::diag
