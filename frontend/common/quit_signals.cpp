#include "quit_signals.h"

#include <QSocketNotifier>

#include "platform/base/log.h"
#include "platform/process/quit_signals.h"

namespace kel::frontend {

void CloseOnQuitSignals(QObject& owner, std::function<void()> close) {
    const int descriptor = process::quitSignalDescriptor();
    if (descriptor < 0) {
        log::warning("kel", "cannot watch for the signals to end; they end the program at once");
        return;
    }
    auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, &owner);
    QObject::connect(notifier, &QSocketNotifier::activated, &owner, [close = std::move(close)] {
        if (process::takeQuitSignal()) {
            close();
        }
    });
}

}  // namespace kel::frontend
