#include "paths.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace kel::paths {
namespace fs = std::filesystem;

namespace {

fs::path envPath(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? fs::path(value) : fs::path();
}

fs::path homeDir() {
    fs::path home = envPath("HOME");
    return home.empty() ? fs::path("/tmp") : home;
}

fs::path ensureDir(const fs::path& dir, fs::perms perms) {
    std::error_code ec;
    if (fs::create_directories(dir, ec)) {
        fs::permissions(dir, perms, ec);
    }
    return dir;
}

}  // namespace

fs::path runtimeDir() {
    fs::path dir = envPath("KEL_RUNTIME_DIR");
    if (dir.empty()) {
        fs::path xdg = envPath("XDG_RUNTIME_DIR");
        dir = xdg.empty() ? fs::path("/tmp") / ("kel-" + std::to_string(::getuid())) : xdg / "kel";
    }
    return ensureDir(dir, fs::perms::owner_all);
}

fs::path programDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

fs::path besideProgram(std::string_view fileName) {
    fs::path dir = programDir();
    if (::access(dir.c_str(), W_OK) != 0) {
        fs::path data = envPath("XDG_DATA_HOME");
        dir = ensureDir((data.empty() ? homeDir() / ".local/share" : data) / "kel",
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
    }
    return dir / fs::path(fileName);
}

fs::path configDir() {
    fs::path config = envPath("XDG_CONFIG_HOME");
    return (config.empty() ? homeDir() / ".config" : config) / "kel";
}

}  // namespace kel::paths
