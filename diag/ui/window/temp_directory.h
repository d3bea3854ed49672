// The program's own folder for work files, below the temporary directory of
// the options.
#pragma once

#include <filesystem>

namespace kel::diag {

std::filesystem::path ProgramTempDirectory();

// At exit: deletes every file in the program's folder; folders inside it and
// the folder itself stay.
void CleanTempDirectory();

}  // namespace kel::diag
