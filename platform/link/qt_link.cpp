#include "qt_link.h"

#include <chrono>

#include "platform/link/dispatcher.h"
#include "platform/link/send_activity.h"

namespace kel::link {
namespace {

// Short enough that the window stays responsive while a worker is busy.
constexpr std::chrono::microseconds kWatchWhileSending{500};

}  // namespace

QtLink::QtLink(QObject* parent)
    : QObject(parent), notifier_(Dispatcher::current().fd(), QSocketNotifier::Read) {
    // The dispatcher is the one of the thread that made this object, which is
    // the thread whose event loop delivers the notifier.
    connect(&notifier_, &QSocketNotifier::activated, this, &QtLink::serve);
    // A zero interval runs once per pass of the event loop, which then never
    // sleeps: everything else in the loop is still handled in between.
    poll_.setInterval(0);
    connect(&poll_, &QTimer::timeout, this, &QtLink::serve);
}

void QtLink::serve() {
    // While another thread waits in a send, its answer is most likely a
    // message to one of this thread's windows: watch the link alone for a
    // while rather than going round the whole event loop between looks. The
    // watch ends when that send is over, so that what the other thread hands
    // to this one between its sends (through the loop) is not held up.
    const auto watchEnd = std::chrono::steady_clock::now() + kWatchWhileSending;
    do {
        Dispatcher::current().dispatchReady();
    } while (SendsUnderWay() && std::chrono::steady_clock::now() < watchEnd);
    if (!SendsActive()) {
        poll_.stop();
    } else if (!poll_.isActive()) {
        poll_.start();
    }
}

}  // namespace kel::link
