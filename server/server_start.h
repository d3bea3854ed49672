// How a client starts a drive server of its own. The server learns which
// window started it, so that it binds to that client's handshake only (two
// front ends started together each get their own server), and its log goes to
// the runtime folder rather than to the client's output.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/paths.h"
#include "platform/process/detached_spawn.h"

namespace kel {

// The environment entry that names the starting window, in decimal.
inline constexpr const char* kServerStarterVariable = "KEL_CD_CLIENT";
inline constexpr const char* kServerLogName = "KELCD32.log";

inline process::SpawnExtras ServerStartExtras(std::uint32_t starterWindow) {
    return {{std::string(kServerStarterVariable) + "=" + std::to_string(starterWindow)},
            paths::runtimeDir() / kServerLogName};
}

}  // namespace kel
