#include "diag/ui/main_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace kel::diag {

bool HaveApplication() {
    return QCoreApplication::instance() != nullptr;
}

bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

int RunOnMainThread(const std::function<int()>& call) {
    // Without an application there is no other thread to go to.
    if (!HaveApplication() || OnMainThread()) {
        return call();
    }
    int result = 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { result = call(); }, Qt::BlockingQueuedConnection);
    return result;
}

void PostToMainThread(std::function<void()> call) {
    if (!HaveApplication()) {
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

}  // namespace kel::diag
