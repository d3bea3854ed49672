// The About dialog's version text and the splash that goes by itself.
#include "diag/ui/main/about_dialog.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>

#include "main_fixture.h"
#include "tests/support/search_path.h"

namespace kel::diag {
namespace {

using AboutDialogTest = test::MainFixture;

TEST_F(AboutDialogTest, NamesVersionBuildAndInterface) {
    AboutDialog dialog(nullptr, false);
    const QStringList lines = dialog.versionText().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Quillon Version 2.1.0.0");
    EXPECT_TRUE(lines[1].startsWith("Compiled ")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "Interface: ???") << "no drive yet";
}

TEST_F(AboutDialogTest, TheSplashGoesByItselfAndLogsInDebugMode) {
    logSwitches().debugMode = true;
    QPointer<AboutDialog> splash = new AboutDialog(nullptr, true);
    splash->show();
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    QElapsedTimer waited;
    waited.start();
    while (splash && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(splash.isNull()) << "closed and deleted by its timer";
    std::ifstream log(folder_ / "MORVALE.DBG");
    std::string line;
    std::getline(log, line);
    EXPECT_EQ(line, "MORVALE version: 2.1.0.0, ???\r");
}

// Where nothing opens mail links the user is shown the address to write to;
// where something does, no message gets in the way.
TEST_F(AboutDialogTest, SupportMailWithoutAMailProgramShowsTheAddress) {
    const kel::test::ScopedSearchPath path(folder_ / "bin");
    AboutDialog dialog(nullptr, false);
    auto* mail = dialog.findChild<QPushButton*>("mailButton");
    mail->click();
    ASSERT_EQ(messages_, std::vector<int>{9074});
    EXPECT_NE(texts_[0].find("\n\nsupport@quillon.example\n\n"), std::string::npos) << texts_[0];
    EXPECT_EQ(texts_[0].find("mailto:"), std::string::npos) << "the address, not the link";

    const auto opener = folder_.write("bin/xdg-open", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    mail->click();
    EXPECT_EQ(messages_.size(), 1u);
}

}  // namespace
}  // namespace kel::diag
