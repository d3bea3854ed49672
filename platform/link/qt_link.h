// Serves the link windows of the thread that makes it from that thread's Qt
// event loop; the front ends make one after their QApplication. While this
// process's threads are busy with sends it polls the link from the loop
// instead of waiting to be woken (see send_activity.h).
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace kel::link {

class QtLink : public QObject {
public:
    explicit QtLink(QObject* parent = nullptr);

private:
    void serve();

    QSocketNotifier notifier_;
    QTimer poll_;
};

}  // namespace kel::link
