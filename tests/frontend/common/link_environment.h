// What a test process that uses the link needs: its own link and runtime
// folders (so tests run in parallel without meeting each other's windows and
// drives) and a Qt application for Tkelcd's event loop.
#pragma once

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <memory>

#include "temp_folder.h"

namespace kel::frontend::testing {

class LinkEnvironment {
public:
    // Made on first use, kept for the life of the process.
    static LinkEnvironment& get();

    const TempFolder& folder() const { return folder_; }

private:
    LinkEnvironment();

    TempFolder folder_;
    std::unique_ptr<QCoreApplication> app_;
};

// Runs the Qt event loop until `done` or the timeout; returns `done()`.
bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace kel::frontend::testing
