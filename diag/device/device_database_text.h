// The text of the device database: one section per vendor ("[vendor]"), one
// entry line per product ("<tab>product:keyword,keyword=value,..."), '#'
// comments, LF or CR LF line ends. Pure functions over the file's bytes, so
// that loading, updating and fuzzing share one reader.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "diag/device/device_profile.h"

namespace kel::diag {

// A construction error (message 3201): the text near the fault and the
// vendor or product being looked for.
struct DatabaseError {
    std::string nearText;
    std::string forName;
};

// Where a drive's section and entry lie in the text (byte offsets).
struct EntryLocation {
    bool sectionFound = false;
    std::size_t afterSectionHeader = 0;  // start of the line after the header
    bool headerEndsLine = true;          // false: the header is the text's last, unended line
    bool entryFound = false;
    std::size_t listStart = 0;   // just after the entry's colon
    std::size_t listEnd = 0;     // the entry's line end, CR excluded
    std::size_t afterEntry = 0;  // start of the line after the entry
};

inline constexpr std::size_t kMaxDatabaseName = 40;

// Finds the vendor's section (first header that matches, caseless) and the
// product's entry in it. With `wildcards`, an entry name ending in '*'
// matches every product that begins with what stands before the '*'.
std::variant<EntryLocation, DatabaseError> locateEntry(std::string_view text,
                                                       std::string_view vendor,
                                                       std::string_view product, bool wildcards);

// Sets the profile's fields from an entry's keyword list. Unknown keywords
// are skipped; a value keyword without '=', a value that is not a whole
// number, or one too large for its field is an error naming the keyword.
std::optional<DatabaseError> applyKeywordList(std::string_view list, std::string_view product,
                                              DeviceProfile& profile);

// Loads the profile's entry from a database text; no section or no entry
// leaves the profile as it is.
std::optional<DatabaseError> loadProfileText(std::string_view text, DeviceProfile& profile);

// The profile's keyword list as an entry carries it, CR LF included.
std::string keywordList(const DeviceProfile& profile);

// The database text with the profile's exact entry (no wildcards) written:
// replaced in place, added at the top of its vendor's section, or appended
// in a new section at the end.
std::variant<std::string, DatabaseError> updatedDatabaseText(std::string_view text,
                                                             const DeviceProfile& profile);

}  // namespace kel::diag
