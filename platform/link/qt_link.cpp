#include "qt_link.h"

#include "platform/link/dispatcher.h"

namespace kel::link {

QtLink::QtLink(QObject* parent)
    : QObject(parent), notifier_(Dispatcher::current().fd(), QSocketNotifier::Read) {
    // The dispatcher is the one of the thread that made this object, which is
    // the thread whose event loop delivers the notifier.
    connect(&notifier_, &QSocketNotifier::activated, this,
            [] { Dispatcher::current().dispatchReady(); });
}

}  // namespace kel::link
