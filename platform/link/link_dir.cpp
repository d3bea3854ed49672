#include "link_dir.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "platform/base/paths.h"
#include "platform/base/process_gone.h"

namespace kel::link {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSocketSuffix = ".sock";
constexpr unsigned kSlotBits = 10;
static_assert(kSlotsPerProcess == 1u << kSlotBits);

}  // namespace

fs::path linkDir() {
    const char* overridden = std::getenv("KEL_LINK_DIR");
    fs::path dir = overridden && *overridden ? fs::path(overridden) : paths::runtimeDir() / "link";
    std::error_code ec;
    if (fs::create_directories(dir, ec)) {
        fs::permissions(dir, fs::perms::owner_all, ec);
    }
    return dir;
}

fs::path socketPath(const fs::path& dir, Handle window) {
    char name[20];
    std::snprintf(name, sizeof name, "%08x.sock", window);
    return dir / name;
}

std::optional<Handle> handleFromFileName(std::string_view name) {
    if (name.size() != 8 + kSocketSuffix.size() || !name.ends_with(kSocketSuffix)) {
        return std::nullopt;
    }
    Handle value = 0;
    auto [end, ec] = std::from_chars(name.data(), name.data() + 8, value, 16);
    if (ec != std::errc() || end != name.data() + 8 || value == 0) {
        return std::nullopt;
    }
    return value;
}

unsigned processOf(Handle window) {
    return window >> kSlotBits;
}

Handle makeHandle(unsigned pid, unsigned slot) {
    return (pid << kSlotBits) | slot;
}

void removeIfOwnerDead(const fs::path& dir, Handle window) {
    auto pid = static_cast<pid_t>(processOf(window));
    if (pid > 0 && ProcessGone(pid)) {
        std::error_code ec;
        fs::remove(socketPath(dir, window), ec);
    }
}

std::vector<Handle> listWindows(const fs::path& dir) {
    std::vector<Handle> windows;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        auto window = handleFromFileName(entry.path().filename().native());
        if (!window) {
            continue;
        }
        removeIfOwnerDead(dir, *window);
        if (fs::exists(entry.path(), ec)) {
            windows.push_back(*window);
        }
    }
    return windows;
}

}  // namespace kel::link
