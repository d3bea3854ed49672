// What the front ends' live cases share: the real drive server KELCD32,
// started by the client over emulated drives that hold discs built by
// mkdisc for each case.
//
// The drive configuration (KEL_DRIVES) is read once per process, as the
// programs read it; CTest runs every case in a process of its own.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "frontend/common/kelcd.h"
#include "tools/mkdisc/build_disc.h"

namespace kel::test {

// Why the live cases cannot run here (the server is not built beside the
// test, or xorriso is missing to build data discs); empty when they can.
std::string LiveServerMissing();

// Builds disc `name` from `recipe` (the recipe without its name line) into
// `folder`; nothing, with the failure recorded, when mkdisc fails.
std::optional<mkdisc::BuiltDisc> BuildNamedDisc(const std::filesystem::path& folder,
                                                const std::string& name, const std::string& recipe);

// The KEL_DRIVES value that puts each disc into its drive letter.
std::string DrivesConfig(const std::map<char, std::filesystem::path>& letters);
// Sets KEL_DRIVES to `letters`; false when an earlier case of the process
// set other drives, which the server would not see.
bool UseDrives(const std::map<char, std::filesystem::path>& letters);

// Has `client` start the server and waits for its handshake and drive list.
void ConnectToServer(frontend::Tkelcd& client);
// Asks the server to end, when it is connected.
void DisconnectFromServer(frontend::Tkelcd& client);

}  // namespace kel::test
