#include "qt_link.h"

#include "platform/link/dispatcher.h"
#include "platform/link/send_activity.h"

namespace kel::link {

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
    Dispatcher& dispatcher = Dispatcher::current();
    dispatcher.dispatchReady();
    // While polling, peers need not ring; before the loop may sleep again
    // they must.
    if (!SendsActive()) {
        poll_.stop();
        dispatcher.unwatchLanes();
        return;
    }
    dispatcher.watchLanes();
    if (!poll_.isActive()) {
        poll_.start();
    }
}

}  // namespace kel::link
