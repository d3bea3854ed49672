// CD+G snapshots as files: the name the user chose for them, and each one
// written as an uncompressed 8-bit bitmap of 16 colours.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "diag/tools/cdg/cdg_screen.h"

namespace kel::diag {

// The file of the `number`th snapshot saved under `chosen`: a final ".BMP"
// (any case) gives way to the number, "shot" and "shot.bmp" giving
// "shot001.BMP" for the first.
std::string SnapshotFileName(std::string_view chosen, int number);

// The save dialog for the snapshots' name; "" when cancelled. Main thread.
std::string AskSnapshotName();

// Answers AskSnapshotName in place of the dialog (tests); an empty function
// brings the dialog back.
using SnapshotNameDialog = std::function<std::string()>;
void SetSnapshotNameDialog(SnapshotNameDialog dialog);

// Saves a snapshot as the first "<chosen>NNN.BMP" after number `number`
// that does not exist yet: an earlier shot is never overwritten. `number`
// becomes the number used. On failure shows why (131 or 132) and returns
// false.
bool SaveSnapshotBmp(std::string_view chosen, int& number,
                     std::span<const std::uint8_t, kCdgColours * 4> palette,
                     std::span<const std::uint8_t, kCdgPixels> bottomUpPixels);

// Writes the bitmap into `file` (opened for `path`) and closes it; on
// failure shows why (132), removes the file and returns false.
bool WriteSnapshotBmp(std::FILE* file, const std::string& path,
                      std::span<const std::uint8_t, kCdgColours * 4> palette,
                      std::span<const std::uint8_t, kCdgPixels> bottomUpPixels);

}  // namespace kel::diag
