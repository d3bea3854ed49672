// The means to act on a dialog as soon as it is shown.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "diag/ui/message_dialog.h"
#include "tests/diag/support/test_app.h"

namespace kel::diag::test {

// The visible message or guide dialog, if any.
inline MessageDialogWindow* shownMessageDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<MessageDialogWindow*>(widget);
            dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// Runs `action` on the main thread once a message dialog is shown.
inline void whenDialogShown(std::function<void(MessageDialogWindow*)> action) {
    auto* timer = new QTimer(&app());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        if (MessageDialogWindow* dialog = shownMessageDialog()) {
            timer->deleteLater();
            timer->stop();
            action(dialog);
        }
    });
    timer->start(5);
}

inline QPushButton* button(QDialog* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(name);
}

inline void clickWhenShown(const char* name) {
    whenDialogShown([name](MessageDialogWindow* dialog) { button(dialog, name)->click(); });
}

// Runs `work` on a worker thread while the main thread serves its events;
// returns when the worker has finished.
inline void runOnWorker(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    while (!done) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    worker.join();
}

}  // namespace kel::diag::test
