#include "diag/ui/string_table.h"

#include "diag/ui/string_table_parse.h"
#include "diag/ui/string_table_text.h"
#include "platform/base/log.h"

namespace kel::diag {
namespace {

const std::map<int, std::string>& table() {
    static const std::map<int, std::string> entries = [] {
        ParsedStringTable parsed = ParseStringTable(kStringTableText);
        for (const std::string& error : parsed.errors) {
            log::warning("strings.txt", error);
        }
        return std::move(parsed.entries);
    }();
    return entries;
}

}  // namespace

std::optional<std::string_view> StringTableEntry(int id) {
    const auto& entries = table();
    const auto found = entries.find(id);
    if (found == entries.end()) {
        return std::nullopt;
    }
    return std::string_view(found->second);
}

std::vector<int> StringTableIds() {
    std::vector<int> ids;
    for (const auto& [id, text] : table()) {
        ids.push_back(id);
    }
    return ids;
}

}  // namespace kel::diag
