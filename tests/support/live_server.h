// What the front ends' live cases share: the real drive server KELCD32,
// started by the client over emulated drives that hold discs built by
// mkdisc for each case.
//
// A program reads its drive configuration (KEL_DRIVES) once; a test process
// runs many cases, each with drives of its own, so each case has the table
// read again and leaves no configuration behind.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "frontend/common/kelcd.h"
#include "tests/support/temp_folder.h"
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
// Puts each disc into its drive letter: sets KEL_DRIVES (which the server
// inherits) and has this process's drive table read again.
void UseDrives(const std::map<char, std::filesystem::path>& letters);

// What a live case has of its own while it lives, as a case run in a process
// of its own has. A runtime folder (KEL_RUNTIME_DIR): the emulated drives keep
// their tray and medium state there, and a disc that an earlier case of the
// process left at the same path would otherwise be a changed disc, or a tray
// still open. At its end the process's runtime folder is put back and the
// drive configuration cleared.
class LiveCase {
public:
    LiveCase();
    ~LiveCase();
    LiveCase(const LiveCase&) = delete;
    LiveCase& operator=(const LiveCase&) = delete;

private:
    TempFolder folder_;
    std::optional<std::string> processFolder_;
};

// Has `client` start the server and waits for its handshake and drive list.
void ConnectToServer(frontend::Tkelcd& client);
// Runs `close`, which asks the server to end when it is connected (as a front
// end does when it closes), and then waits for the server's close message.
// Left queued, that message would reach the next client of this process,
// whose link window takes the same handle, and end its handshake.
void CloseAndAwaitServerEnd(frontend::Tkelcd& client, const std::function<void()>& close);
// Asks the server to end, when it is connected, and waits for its close.
void DisconnectFromServer(frontend::Tkelcd& client);

}  // namespace kel::test
