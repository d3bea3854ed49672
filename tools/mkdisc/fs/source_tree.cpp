#include "tools/mkdisc/fs/source_tree.h"

#include <algorithm>
#include <system_error>

namespace kel::mkdisc::fs {

namespace {

// Deeper than any disc file system allows; stops a runaway walk early.
constexpr std::size_t kMaxDepth = 32;

std::string describe(const std::filesystem::path& path, const std::error_code& error) {
    return "cannot read " + path.string() + ": " + error.message();
}

std::variant<bool, std::string> scanDirectory(const std::filesystem::path& directory,
                                              std::vector<std::string>& names, SourceTree& tree) {
    if (names.size() > kMaxDepth) {
        return directory.string() + " is nested deeper than " + std::to_string(kMaxDepth) +
               " levels";
    }
    std::error_code error;
    std::vector<std::filesystem::path> children;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        children.push_back(it->path());
    }
    if (error) {
        return describe(directory, error);
    }
    std::sort(children.begin(), children.end());
    for (const std::filesystem::path& child : children) {
        const std::filesystem::file_status status = std::filesystem::symlink_status(child, error);
        if (error) {
            return describe(child, error);
        }
        SourceEntry entry;
        entry.names = names;
        entry.names.push_back(child.filename().string());
        entry.source = child;
        if (std::filesystem::is_directory(status)) {
            entry.directory = true;
            tree.entries.push_back(entry);
            names.push_back(entry.names.back());
            auto inner = scanDirectory(child, names, tree);
            names.pop_back();
            if (std::holds_alternative<std::string>(inner)) {
                return inner;
            }
        } else if (std::filesystem::is_regular_file(status)) {
            entry.size = std::filesystem::file_size(child, error);
            if (error) {
                return describe(child, error);
            }
            tree.fileBytes += entry.size;
            tree.entries.push_back(entry);
        } else {
            return child.string() + " is neither a plain file nor a folder";
        }
    }
    return true;
}

}  // namespace

std::variant<SourceTree, std::string> scanSourceTree(const std::filesystem::path& folder) {
    SourceTree tree;
    if (folder.empty()) {
        return tree;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        return folder.string() + " is not a folder";
    }
    std::vector<std::string> names;
    auto scanned = scanDirectory(folder, names, tree);
    if (auto* failure = std::get_if<std::string>(&scanned)) {
        return *failure;
    }
    return tree;
}

}  // namespace kel::mkdisc::fs
