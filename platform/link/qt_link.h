// Serves the link windows of the thread that makes it from that thread's Qt
// event loop; the front ends make one after their QApplication. While this
// process's threads are busy with sends and messages keep coming, it polls
// the link from the loop instead of waiting to be woken (see
// send_activity.h); once nothing came for a moment, the loop sleeps until
// the next message wakes it.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>

#include "platform/link/spin_policy.h"

namespace kel::link {

class QtLink : public QObject {
public:
    explicit QtLink(QObject* parent = nullptr);

private:
    using Clock = std::chrono::steady_clock;

    void serve();

    QSocketNotifier notifier_;
    QTimer poll_;
    Clock::time_point lastWork_;
    SpinPolicy spin_;
};

}  // namespace kel::link
