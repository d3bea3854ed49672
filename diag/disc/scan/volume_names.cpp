#include "diag/disc/scan/volume_names.h"

#include <string_view>

namespace kel::diag {
namespace {

// The shared label text holds 32 characters and its NUL.
constexpr std::size_t kMaxTitleLabel = 32;
constexpr std::size_t kMaxTocVolume = 31;

// The blank in front of the session's "(" goes with it.
std::string_view cutBeforeSession(std::string_view text) {
    const std::size_t paren = text.rfind('(');
    if (paren == std::string_view::npos) {
        return text;
    }
    return text.substr(0, paren == 0 ? 0 : paren - 1);
}

std::string_view withoutMarker(std::string_view name) {
    return name.size() >= 2 ? name.substr(2) : std::string_view();
}

}  // namespace

std::string TitleLabel(const FileNode& root) {
    std::string_view name(root.name);
    if (name.starts_with('\\')) {
        name = withoutMarker(name);
    }
    return std::string(cutBeforeSession(name).substr(0, kMaxTitleLabel));
}

std::string TocVolumeName(const FileNode& root) {
    const std::string_view name(root.name);
    if (!name.starts_with('\\')) {
        return {};
    }
    return std::string(cutBeforeSession(withoutMarker(name).substr(0, kMaxTocVolume)));
}

}  // namespace kel::diag
