// Reading the options block from the program's settings key at start and
// writing it back after the preferences and whenever a guide is dismissed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "diag/device/registry_key.h"
#include "diag/state/options.h"

namespace kel::diag {

// Opens the program's settings key; false (and every read its default) when
// the store cannot be opened.
bool OpenProgramKey(RegistryKey& key);

// Reads every stored option; a value that is missing, of the wrong type or
// out of range leaves the field at its default. The stored debug mode is
// added to the command line's. Also makes a dismissed guide save the options.
void LoadOptions();
// Writes every stored option except "TempPath", "ErrorRecovered" and
// "ErrorUnrecovered".
void SaveOptions();

// Deletes the error summary's thresholds and its history ("ErrorSum").
void ResetErrorStatistics();

// "GuideUser": ten digits 0/1 joined by ",".
std::string GuideUserText(const std::array<std::uint8_t, 10>& flags);
// Piece i of the text (split at ",") sets flag i to whether it reads as a
// non-zero number; pieces that are missing leave their flags as they are.
void ApplyGuideUserText(std::string_view text, std::array<std::uint8_t, 10>& flags);

// The longest texts the block keeps; a longer stored text is not used.
inline constexpr std::size_t kMaxFontName = 50;
inline constexpr std::size_t kMaxPath = 259;

}  // namespace kel::diag
