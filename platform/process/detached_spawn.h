// Starting a program that outlives its starter: its own session, no zombie left
// behind, standard input from /dev/null, output and errors shared with the
// starter unless they go to a file of their own, and none of the starter's
// other descriptors (a link socket kept open by a child would make a dead
// window look alive).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kel::process {

// What a started program gets besides its command line and folder.
struct SpawnExtras {
    // "NAME=value" entries that join (or replace in) the starter's environment.
    std::vector<std::string> environment;
    // Not empty: standard output and error are appended to this file rather
    // than shared with the starter, so that whoever reads the starter's
    // output is not held open by the program. When the file cannot be
    // opened the program still runs, its output dropped.
    std::filesystem::path outputFile;
};

// Runs `file` with `arguments` (argv[0] first) in `workFolder` (empty: the
// caller's current folder). Returns 0 once the program runs, otherwise the
// errno that stopped it (from open, fork, chdir or exec).
int spawnDetached(const std::filesystem::path& file, const std::vector<std::string>& arguments,
                  const std::filesystem::path& workFolder, const SpawnExtras& extras = {});

}  // namespace kel::process
