#include "compare_fixture.h"

#include <cstdlib>
#include <fstream>

#include "qt_application.h"
#include "tests/frontend/common/link_environment.h"
#include "tests/frontend/common/scripted_client.h"
#include "tests/support/live_server.h"

namespace kel::compare::testing {
namespace {

// One set of link and runtime folders for the whole process, made before
// the first link window.
const fs::path& processFolder() {
    static frontend::testing::TempFolder folder;
    static bool once = [] {
        ::setenv("KEL_LINK_DIR", (folder.path() / "link").c_str(), 1);
        ::setenv("KEL_RUNTIME_DIR", (folder.path() / "run").c_str(), 1);
        return true;
    }();
    (void)once;
    return folder.path();
}

}  // namespace

void LiveCompare::SetUp() {
    if (const std::string missing = kel::test::LiveServerMissing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    discs_ = processFolder() / "discs";
    fs::create_directories(discs_);
    EnsureApplication();
    frontend::testing::ResetKelCdData();
    case_.emplace();
}

void LiveCompare::TearDown() {
    if (client_) {
        kel::test::DisconnectFromServer(*client_);
    }
    client_.reset();
    frontend::testing::ResetKelCdData();
}

fs::path LiveCompare::buildData(const std::string& name, int mode, const std::string& volumeId) {
    const auto built = kel::test::BuildNamedDisc(
        discs_, name,
        "layout = cd-rom\n[data]\nmode = " + std::to_string(mode) + "\nvolume-id = " + volumeId +
            "\nfile = README.TXT text=compare me\nfile = DATA.BIN size=200000\n");
    if (!built) {
        return {};
    }
    leadOuts_[name] = built->plan.leadOut;
    modes_[name] = mode;
    return built->descriptor;
}

void LiveCompare::patch(const std::string& name, const std::vector<Patch>& patches) {
    std::fstream bin(discs_ / (name + ".bin"), std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(bin.good()) << name;
    for (const Patch& p : patches) {
        auto at = static_cast<std::streamoff>(p.lba) * 2352 + static_cast<std::streamoff>(p.offset);
        bin.seekg(at);
        char byte = 0;
        bin.get(byte);
        bin.seekp(at);
        bin.put(static_cast<char>(static_cast<std::uint8_t>(byte) ^ p.mask));
    }
    ASSERT_TRUE(bin.good()) << name;
}

fs::path LiveCompare::copyOf(const std::string& from, const std::string& name,
                             const std::vector<Patch>& patches, const std::string& faults) {
    fs::copy_file(discs_ / (from + ".bin"), discs_ / (name + ".bin"),
                  fs::copy_options::overwrite_existing);
    patch(name, patches);
    leadOuts_[name] = leadOuts_.at(from);
    modes_[name] = modes_.at(from);
    std::ofstream(discs_ / (name + ".cue"))
        << "FILE \"" << name << ".bin\" BINARY\n  TRACK 01 "
        << (modes_[name] == 2 ? "MODE2/2352" : "MODE1/2352") << "\n    INDEX 01 00:00:00\n";
    fs::path descriptor = discs_ / (name + ".emu");
    std::ofstream out(descriptor);
    out << "[disc]\nimage = " << name << ".cue\n";
    if (!faults.empty()) {
        out << "[faults]\n" << faults << "\n";
    }
    return descriptor;
}

bool LiveCompare::start(const std::map<char, fs::path>& letters) {
    kel::test::UseDrives(letters);
    client_ = std::make_unique<frontend::Tkelcd>();
    kel::test::ConnectToServer(*client_);
    return !HasFatalFailure();
}

bool LiveCompare::waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return frontend::testing::processEventsUntil(done, timeout);
}

}  // namespace kel::compare::testing
