#include "widget_environment.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdlib>

namespace kel::frontend::testing {
namespace {

int argc = 1;
char programName[] = "kel_window_test";
char* argv[] = {programName, nullptr};

constexpr int kPollMilliseconds = 20;
constexpr int kModalWaitPolls = 250;

// Bumped by ForgetPendingModals: a poll of an earlier round stops.
unsigned modalRound = 0;

void pollForModal(std::function<void(QWidget&)> act, int pollsLeft, unsigned round) {
    QTimer::singleShot(kPollMilliseconds, [act = std::move(act), pollsLeft, round]() mutable {
        if (round != modalRound) {
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            act(*modal);
        } else if (pollsLeft > 0) {
            pollForModal(std::move(act), pollsLeft - 1, round);
        }
    });
}

}  // namespace

WidgetEnvironment& WidgetEnvironment::get() {
    static WidgetEnvironment environment;
    return environment;
}

WidgetEnvironment::WidgetEnvironment() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("KEL_LINK_DIR", (folder_.path() / "link").c_str(), 1);
    ::setenv("KEL_RUNTIME_DIR", (folder_.path() / "run").c_str(), 1);
    app_ = new QApplication(argc, argv);
}

void OnNextModal(std::function<void(QWidget&)> act) {
    pollForModal(std::move(act), kModalWaitPolls, modalRound);
}

void ForgetPendingModals() {
    ++modalRound;
}

QString MessageText(QWidget& window) {
    auto* box = qobject_cast<QMessageBox*>(&window);
    return box ? box->text() : QString();
}

}  // namespace kel::frontend::testing
