#include "qt_link.h"

#include "platform/link/dispatcher.h"
#include "platform/link/send_activity.h"

namespace kel::link {
namespace {

// How long the loop polls after the link last brought it something. While a
// worker's requests flow, the next reply comes within microseconds and
// polling saves each one a wake-up; while a request waits on a slow drive
// nothing comes, and the loop must sleep rather than burn a processor.
constexpr std::chrono::microseconds kPollWindow{300};

}  // namespace

QtLink::QtLink(QObject* parent)
    : QObject(parent), notifier_(Dispatcher::current().fd(), QSocketNotifier::Read) {
    // The dispatcher is the one of the thread that made this object, which is
    // the thread whose event loop delivers the notifier.
    connect(&notifier_, &QSocketNotifier::activated, this, &QtLink::serve);
    // A zero interval runs once per pass of the event loop, which then does
    // not sleep: everything else in the loop is still handled in between.
    poll_.setInterval(0);
    connect(&poll_, &QTimer::timeout, this, &QtLink::serve);
}

void QtLink::serve() {
    Dispatcher& dispatcher = Dispatcher::current();
    const Clock::time_point now = Clock::now();
    if (dispatcher.dispatchReady()) {
        lastWork_ = now;
    }
    // While polling, peers need not ring; before the loop may sleep again
    // they must.
    if (!SendsActive() || now - lastWork_ >= kPollWindow) {
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
