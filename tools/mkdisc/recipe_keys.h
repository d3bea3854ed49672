// The keys of each recipe section (docs/mkdisc.md). Each setter takes one
// `key = value` line and says what is wrong with it, if anything; the parser
// adds the file and line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

using Problem = std::optional<std::string>;

// Disc-wide sections.
Problem discKey(Recipe& recipe, const std::string& key, std::string_view value, int line);
Problem inquiryKey(emu::DriveDescription& drive, const std::string& key, std::string_view value);
Problem driveKey(emu::DriveDescription& drive, const std::string& key, std::string_view value);
Problem faultsKey(emu::FaultSet& faults, const std::string& key, std::string_view value);
Problem atipKey(AtipRecipe& atip, const std::string& key, std::string_view value);

// Track sections and [session]; the track is recipe.tracks.back().
Problem dataKey(Recipe& recipe, const std::string& key, std::string_view value, int line);
Problem audioKey(Recipe& recipe, const std::string& key, std::string_view value, int line);
Problem sessionKey(SessionRecipe& session, const std::string& key, std::string_view value);

// Shared value forms.
Problem setYesNo(bool& target, std::string_view key, std::string_view value);
bool printable(std::string_view text);

}  // namespace kel::mkdisc
