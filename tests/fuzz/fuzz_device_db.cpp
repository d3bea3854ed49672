// The device database reader over arbitrary text: it must not crash, and an
// update of a database it reads must give a text in which the drive's own
// entry reads back exactly as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diag/device/device_database_text.h"

using namespace kel::diag;

namespace {

// A drive description as Open builds one: printable, no blanks at either
// end, none doubled. The first input line gives it.
std::string driveName(std::string_view line) {
    std::string name;
    for (char c : line.substr(0, DeviceProfile::kMaxNameLength)) {
        c = (c > ' ' && c < 0x7F) ? c : ' ';
        if (c != ' ' || (!name.empty() && name.back() != ' ')) {
            name += c;
        }
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name.empty() ? "ACME CDROM-4000" : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t lf = input.find('\n');
    DeviceProfile profile;
    profile.resetToDefaults();
    profile.ModeLen = 1;
    profile.name = driveName(input.substr(0, lf));
    std::string_view text = lf == std::string_view::npos ? input : input.substr(lf + 1);

    if (loadProfileText(text, profile)) {
        return 0;
    }
    auto updated = updatedDatabaseText(text, profile);
    if (!std::holds_alternative<std::string>(updated)) {
        return 0;  // a structural fault the load did not reach
    }
    const std::string& written = std::get<std::string>(updated);
    auto found = locateEntry(written, profile.vendorKey(), profile.productKey(), false);
    const auto* location = std::get_if<EntryLocation>(&found);
    if (!location || !location->entryFound) {
        std::abort();
    }
    DeviceProfile back;
    back.resetToDefaults();
    back.ModeLen = 1;
    back.speedGiven = 0;
    std::string_view list(written.data() + location->listStart,
                          location->listEnd - location->listStart);
    if (applyKeywordList(list, profile.productKey(), back) ||
        keywordList(back) != keywordList(profile)) {
        std::abort();
    }
    return 0;
}
