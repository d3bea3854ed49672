#include "diag/device/device_database_text.h"

#include <cstdint>
#include <cstdio>

#include "diag/tools/setting_text.h"
#include "platform/profile/ascii_case.h"

namespace kel::diag {

namespace {

struct Line {
    std::size_t start = 0;
    std::size_t end = 0;   // CRs before the LF excluded
    std::size_t next = 0;  // after the LF, or the text's end
    bool ended = false;    // an LF follows
};

Line lineAt(std::string_view text, std::size_t start) {
    Line line{start, text.size(), text.size(), false};
    std::size_t lf = text.find('\n', start);
    if (lf != std::string_view::npos) {
        line.end = lf;
        line.next = lf + 1;
        line.ended = true;
    }
    // Every CR before the line end: a file that ended in a lone CR keeps
    // its last line when an update appends CR LF after it.
    while (line.end > start && text[line.end - 1] == '\r') {
        --line.end;
    }
    return line;
}

DatabaseError errorNear(std::string_view text, std::string_view forName) {
    return DatabaseError{std::string(text.substr(0, kMaxDatabaseName - 1)), std::string(forName)};
}

bool productMatches(std::string_view entry, std::string_view product, bool wildcards) {
    if (wildcards && !entry.empty() && entry.back() == '*') {
        std::string_view prefix = entry.substr(0, entry.size() - 1);
        return product.size() >= prefix.size() &&
               profile::equalsIgnoringCase(product.substr(0, prefix.size()), prefix);
    }
    return profile::equalsIgnoringCase(entry, product);
}

const ProfileKeyword* findKeyword(std::string_view name) {
    for (const ProfileKeyword& keyword : profileKeywords()) {
        if (keyword.name == name) {
            return &keyword;
        }
    }
    return nullptr;
}

}  // namespace

std::variant<EntryLocation, DatabaseError> locateEntry(std::string_view text,
                                                       std::string_view vendor,
                                                       std::string_view product, bool wildcards) {
    EntryLocation location;
    std::size_t pos = 0;
    while (pos < text.size() && !location.sectionFound) {
        Line line = lineAt(text, pos);
        pos = line.next;
        std::string_view content = text.substr(line.start, line.end - line.start);
        if (content.empty() || content.front() != '[') {
            continue;
        }
        std::string_view name = content.substr(1, content.find(']') - 1);
        if (name.size() > kMaxDatabaseName) {
            return errorNear(name, vendor);
        }
        if (profile::equalsIgnoringCase(name, vendor)) {
            location.sectionFound = true;
            location.afterSectionHeader = line.next;
            location.headerEndsLine = line.ended;
        }
    }
    while (location.sectionFound && pos < text.size()) {
        Line line = lineAt(text, pos);
        pos = line.next;
        std::string_view content = text.substr(line.start, line.end - line.start);
        if (!content.empty() && content.front() == '[') {
            break;
        }
        std::string_view entry = TrimBlanks(content);
        // Blank lines and comments are skipped, so they never hide the
        // entries after them.
        if (entry.empty() || entry.front() == '#') {
            continue;
        }
        std::size_t colon = entry.find(':');
        if (colon == std::string_view::npos) {
            break;
        }
        std::string_view name = entry.substr(0, colon);
        if (name.size() > kMaxDatabaseName) {
            return errorNear(name, product);
        }
        if (productMatches(name, product, wildcards)) {
            location.entryFound = true;
            location.listStart = static_cast<std::size_t>(entry.data() - text.data()) + colon + 1;
            location.listEnd = line.end;
            location.afterEntry = line.next;
            break;
        }
    }
    return location;
}

std::optional<DatabaseError> applyKeywordList(std::string_view list, std::string_view product,
                                              DeviceProfile& profile) {
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        std::string_view item = TrimBlanks(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        std::size_t equals = item.find('=');
        std::string_view name = TrimBlanks(item.substr(0, equals));
        const ProfileKeyword* keyword = findKeyword(name);
        if (!keyword) {
            continue;
        }
        if (keyword->kind != KeywordKind::Value) {
            profile.*keyword->byteField = keyword->kind == KeywordKind::Set ? 1 : 0;
            continue;
        }
        if (equals == std::string_view::npos) {
            return errorNear(name, product);
        }
        std::optional<std::uint32_t> value = ParseCNumber(TrimBlanks(item.substr(equals + 1)));
        std::uint32_t limit = keyword->wordField ? 0xFFFFu : 0xFFu;
        // Larger values would be cut to the field silently; they are faults.
        if (!value || *value > limit) {
            return errorNear(name, product);
        }
        if (keyword->wordField) {
            profile.*keyword->wordField = static_cast<std::uint16_t>(*value);
        } else {
            profile.*keyword->byteField = static_cast<std::uint8_t>(*value);
        }
        if (keyword->byteField == &DeviceProfile::Speed) {
            profile.speedGiven = 1;
        }
    }
    return std::nullopt;
}

std::optional<DatabaseError> loadProfileText(std::string_view text, DeviceProfile& profile) {
    std::string vendor = profile.vendorKey();
    std::string product = profile.productKey();
    auto found = locateEntry(text, vendor, product, true);
    if (auto* error = std::get_if<DatabaseError>(&found)) {
        return *error;
    }
    const EntryLocation& location = std::get<EntryLocation>(found);
    if (!location.entryFound) {
        return std::nullopt;
    }
    return applyKeywordList(text.substr(location.listStart, location.listEnd - location.listStart),
                            product, profile);
}

std::string keywordList(const DeviceProfile& profile) {
    std::string list;
    auto add = [&list](std::string_view item) {
        if (!list.empty()) {
            list += ',';
        }
        list += item;
    };
    for (const ProfileKeyword& keyword : profileKeywords()) {
        if (keyword.kind != KeywordKind::Value) {
            bool set = profile.*keyword.byteField != 0;
            if (set == (keyword.kind == KeywordKind::Set)) {
                add(keyword.name);
            }
            continue;
        }
        if (keyword.byteField == &DeviceProfile::Speed && !profile.speedGiven) {
            continue;
        }
        unsigned value =
            keyword.wordField ? profile.*keyword.wordField : profile.*keyword.byteField;
        char number[16];
        std::snprintf(number, sizeof number, value > 100 ? "=0x%x" : "=%u", value);
        add(std::string(keyword.name) + number);
    }
    return list + "\r\n";
}

std::variant<std::string, DatabaseError> updatedDatabaseText(std::string_view text,
                                                             const DeviceProfile& profile) {
    std::string vendor = profile.vendorKey();
    std::string product = profile.productKey();
    auto found = locateEntry(text, vendor, product, false);
    if (auto* error = std::get_if<DatabaseError>(&found)) {
        return *error;
    }
    const EntryLocation& location = std::get<EntryLocation>(found);
    std::string list = keywordList(profile);
    std::string out;
    if (location.entryFound) {
        out.append(text.substr(0, location.listStart));
        out += list;
        out.append(text.substr(location.afterEntry));
    } else if (location.sectionFound) {
        out.append(text.substr(0, location.afterSectionHeader));
        if (!location.headerEndsLine) {
            out += "\r\n";
        }
        out += "\t" + product + ":" + list;
        out.append(text.substr(location.afterSectionHeader));
    } else {
        out.append(text);
        out += "\r\n[" + vendor + "]\r\n\t" + product + ":" + list;
    }
    return out;
}

}  // namespace kel::diag
