#include "diag/scan_tool/tree_lines.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace kel::diag {
namespace {

// Year byte 0 means no date; it prints as zeros.
std::string DateText(const std::array<std::uint8_t, 7>& date) {
    char text[32];
    const int year = date[0] == 0 ? 0 : 1900 + date[0];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, date[1], date[2],
                  date[3], date[4], date[5]);
    return text;
}

void WriteLine(std::ostream& out, const std::string& path, const FileNode& node) {
    out << path << '\t' << node.startBlock << '\t' << node.size << '\t'
        << DateText(node.recordingDate) << '\n';
}

}  // namespace

void WriteTreeLines(std::ostream& out, const FileNode& root) {
    WriteLine(out, "/", root);
    // Directories still to write, each with the path of its entries; a list
    // of its own, since a hostile disc may nest deeper than the stack goes.
    std::vector<std::pair<const FileNode*, std::string>> pending{{&root, "/"}};
    while (!pending.empty()) {
        auto [directory, prefix] = std::move(pending.back());
        pending.pop_back();
        std::vector<std::pair<const FileNode*, std::string>> below;
        for (const FileNode* entry = directory->firstChild; entry != nullptr; entry = entry->next) {
            if (IsDotEntry(*entry)) {
                continue;
            }
            std::string path = prefix + entry->name;
            if (IsDirectory(*entry)) {
                path += '/';
            }
            WriteLine(out, path, *entry);
            if (IsDirectory(*entry) && entry->firstChild != nullptr) {
                below.emplace_back(entry, path);
            }
        }
        pending.insert(pending.end(), below.rbegin(), below.rend());
    }
}

}  // namespace kel::diag
