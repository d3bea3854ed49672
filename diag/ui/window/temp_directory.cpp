#include "diag/ui/window/temp_directory.h"

#include <system_error>

#include "diag/state/options.h"

namespace kel::diag {

std::filesystem::path ProgramTempDirectory() {
    return std::filesystem::path(Options().tempPath) / "MORVALE";
}

void CleanTempDirectory() {
    std::error_code error;
    const std::filesystem::path folder = ProgramTempDirectory();
    if (Options().tempPath.empty() || !std::filesystem::is_directory(folder, error)) {
        return;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        // A link is removed itself, never what it points to.
        if (!entry.is_directory(error) || entry.is_symlink(error)) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

}  // namespace kel::diag
