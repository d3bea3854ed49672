// Starting a program that outlives its starter: its own session, no zombie left
// behind, standard input from /dev/null, output and errors shared with the
// starter, and none of the starter's other descriptors (a link socket kept
// open by a child would make a dead window look alive).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kel::process {

// Runs `file` with `arguments` (argv[0] first) in `workFolder` (empty: the
// caller's current folder). Returns 0 once the program runs, otherwise the
// errno that stopped it (from fork, chdir or exec).
int spawnDetached(const std::filesystem::path& file, const std::vector<std::string>& arguments,
                  const std::filesystem::path& workFolder);

}  // namespace kel::process
