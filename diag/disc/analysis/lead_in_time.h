// Where a recordable disc tells its lead-in start time: the ATIP, or on
// drives that don't give it, the full TOC's entry with POINT 0xC0.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "diag/disc/analysis/manufacturer_file.h"

namespace kel::diag {

// From a READ TOC format 4 reply; nothing unless the reply carries a valid
// ATIP descriptor.
std::optional<LeadInTime> LeadInTimeFromAtip(std::span<const std::uint8_t> reply);

// From a READ TOC format 2 reply; nothing without an entry for POINT 0xC0
// whose time lies in minute 97.
std::optional<LeadInTime> LeadInTimeFromFullToc(std::span<const std::uint8_t> reply);

}  // namespace kel::diag
