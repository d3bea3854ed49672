// The manufacturer file as any text, looked up for any lead-in time, and the
// same bytes as an ATIP and a full-TOC reply. A found name must be a row's
// name, an error must name a line that exists.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "diag/disc/analysis/lead_in_time.h"
#include "diag/disc/analysis/manufacturer_file.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const LeadInTime time{data[0], data[1]};
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const ManufacturerLookup lookup = LookUpManufacturer(text, time);
    switch (lookup.result) {
        case ManufacturerLookup::Result::Found:
            if (lookup.name.empty() || text.find(lookup.name + '\t') == std::string_view::npos) {
                std::abort();
            }
            break;
        case ManufacturerLookup::Result::Malformed:
            if (lookup.error < 1 || lookup.error > 4 || lookup.lineNumber < 1 ||
                lookup.lineNumber > std::count(text.begin(), text.end(), '\n') + 1) {
                std::abort();
            }
            break;
        case ManufacturerLookup::Result::NotFound:
            break;
    }

    const std::span<const std::uint8_t> reply(data, size);
    for (const auto& found : {LeadInTimeFromAtip(reply), LeadInTimeFromFullToc(reply)}) {
        if (found && (found->seconds < 0 || found->seconds > 255 || found->frame < 0 ||
                      found->frame > 255)) {
            std::abort();
        }
    }
    return 0;
}
