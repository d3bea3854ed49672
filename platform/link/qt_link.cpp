#include "qt_link.h"

#include "platform/link/dispatcher.h"
#include "platform/link/send_activity.h"

namespace kel::link {
namespace {

// How long the loop polls after the link last brought it something. While a
// worker's requests flow, the next reply comes within microseconds and
// polling saves each one a wake-up; while a request waits on a slow drive
// nothing comes, and the loop must sleep rather than burn a processor. As
// long as a waiting thread's spin: a poll that runs out on a busy machine
// held up the very threads whose message it waited for.
constexpr std::chrono::microseconds kPollWindow{100};

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
    const bool polling = poll_.isActive();
    const bool worked = dispatcher.dispatchReady();
    if (worked) {
        lastWork_ = now;
    }
    // Polling is a spin spread over passes of the loop: the spin policy
    // judges it as it judges a waiting thread's.
    bool keepPolling = SendsActive() && now - lastWork_ < kPollWindow;
    if (polling) {
        const bool kept = worked ? spin_.found(now) : spin_.keptProcessor(now);
        if (!kept) {
            keepPolling = false;
        } else if (!worked && !keepPolling) {
            spin_.ranOut();
        }
    } else {
        keepPolling = keepPolling && spin_.shouldSpin();
        spin_.started(now);
    }
    // While polling, peers need not ring; before the loop may sleep again
    // they must.
    if (!keepPolling) {
        poll_.stop();
        dispatcher.unwatchLanes();
        return;
    }
    dispatcher.watchLanes();
    if (!polling) {
        poll_.start();
    }
}

}  // namespace kel::link
