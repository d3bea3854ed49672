// The desktop's requests to end a program (SIGTERM, SIGINT, SIGHUP) close it
// as its user would: its close handler runs, so the drive server is told to
// close instead of being left behind.
#pragma once

#include <QObject>
#include <functional>

namespace kel::frontend {

// Calls `close` from the event loop of `owner`'s thread whenever one of the
// signals comes, for as long as `owner` lives.
void CloseOnQuitSignals(QObject& owner, std::function<void()> close);

}  // namespace kel::frontend
