#include "diag/ui/copy/copy_names.h"

#include <algorithm>

#include "diag/state/options.h"
#include "diag/ui/window/list_texts.h"

namespace kel::diag {

std::string LinuxFileName(std::string_view name) {
    std::string result(name.substr(0, name.find('\0')));
    std::replace(result.begin(), result.end(), '/', '_');
    if (result.empty() || result == "." || result == "..") {
        result = "_" + result;
    }
    return result;
}

std::string CopyNameOf(const FileNode& node) {
    return LinuxFileName(ListNameText(node, Options().removeVersion != 0).toStdString());
}

bool LiesInside(const std::filesystem::path& folder, const std::filesystem::path& path) {
    const std::filesystem::path base = folder.lexically_normal();
    const std::filesystem::path relative = path.lexically_normal().lexically_relative(base);
    return !relative.empty() && relative != "." && *relative.begin() != "..";
}

}  // namespace kel::diag
