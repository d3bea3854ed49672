// The About dialog's version text and the splash that goes by itself.
#include "diag/ui/main/about_dialog.h"

#include <QElapsedTimer>
#include <QPointer>

#include "main_fixture.h"

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

}  // namespace
}  // namespace kel::diag
