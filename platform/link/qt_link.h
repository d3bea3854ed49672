// Serves the link windows of the thread that makes it from that thread's Qt
// event loop; the front ends make one after their QApplication.
#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace kel::link {

class QtLink : public QObject {
public:
    explicit QtLink(QObject* parent = nullptr);

private:
    QSocketNotifier notifier_;
};

}  // namespace kel::link
