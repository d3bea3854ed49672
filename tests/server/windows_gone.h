// Waiting for a test's link windows to go: a server ends, and takes its
// window away, a while after its client asked it to close.
#pragma once

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/link/link_dir.h"

namespace kel::test {

// Whether every link window in `linkDir` (the test's clients and their
// servers) is gone within `limit`.
inline bool NoWindowWithin(const std::filesystem::path& linkDir, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!link::listWindows(linkDir).empty()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace kel::test
