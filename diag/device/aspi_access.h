// How the ASPI back end reaches the manager: its two entry points, the
// adapter count, and where the sense texts and the retry waits come from.
// The program loads the manager from beside itself (LoadAspi); tests may
// connect entry points of their own.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "diag/device/device_access.h"
#include "diag/device/device_messages.h"
#include "diag/device/wait_clock.h"

namespace kel::aspi {
class ManagerLibrary;
}

namespace kel::diag {

struct AspiManagerEntries {
    std::function<std::uint32_t()> GetASPI32SupportInfo;
    std::function<std::uint32_t(void* request)> SendASPI32Command;
};

struct AspiAccess {
    AspiManagerEntries manager;
    // Keeps a loaded manager in memory while any device may still call it.
    std::shared_ptr<const aspi::ManagerLibrary> library;
    std::filesystem::path modulePath;
    std::optional<std::array<std::uint16_t, 4>> version;
    int adapterCount = 0;
    std::shared_ptr<WaitClock> clock;
    StringSource strings;
    std::chrono::milliseconds commandTimeout{120000};
};

// Asks the manager for its support word; on a status other than SS_COMP
// shows message 3005 around the status's own text and returns null.
std::shared_ptr<AspiAccess> ConnectAspi(AspiManagerEntries manager, StringSource strings,
                                        const MessageCallback& messages);

// The manager's file beside the program.
std::filesystem::path DefaultAspiManager();

// Loads the manager, checks it and keeps it for the process (LoadedAspi);
// shows message 3004 when it cannot be loaded or lacks an entry point.
bool LoadAspi(StringSource strings, const MessageCallback& messages,
              const std::filesystem::path& manager = DefaultAspiManager());
void UnloadAspi();
std::shared_ptr<const AspiAccess> LoadedAspi();

// The ASPI back end of the access selection over that manager file.
AspiBackend MakeAspiBackend(StringSource strings,
                            std::filesystem::path manager = DefaultAspiManager());

}  // namespace kel::diag
