#include "compare_fixture.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdlib>
#include <fstream>

#include "frontend/common/kel_cd_data.h"
#include "frontend/common/request_codes.h"
#include "platform/base/paths.h"
#include "qt_application.h"
#include "tests/frontend/common/scripted_client.h"
#include "third_party_tools.h"
#include "tools/mkdisc/build_disc.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::compare::testing {
namespace {

using frontend::KelCdData;

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
    if (!fs::exists(paths::programDir() / "KELCD32")) {
        GTEST_SKIP() << "the drive server KELCD32 is not built beside this test";
    }
    if (!HaveTool("xorriso")) {
        GTEST_SKIP() << "xorriso (Debian package xorriso) is needed to build data discs";
    }
    discs_ = processFolder() / "discs";
    fs::create_directories(discs_);
    EnsureApplication();
    frontend::testing::ResetKelCdData();
}

void LiveCompare::TearDown() {
    if (client_ && KelCdData.ServerConnected) {
        client_->_Send(frontend::kGroupExit, 0, 0);
    }
    client_.reset();
    frontend::testing::ResetKelCdData();
}

fs::path LiveCompare::buildData(const std::string& name, int mode, const std::string& volumeId) {
    fs::path file = discs_ / (name + ".recipe");
    std::ofstream(file) << "[disc]\nname = " << name << "\nlayout = cd-rom\n[data]\nmode = " << mode
                        << "\nvolume-id = " << volumeId
                        << "\nfile = README.TXT text=compare me\nfile = DATA.BIN size=200000\n";
    auto recipe = mkdisc::readRecipe(file);
    if (auto* error = std::get_if<mkdisc::BuildError>(&recipe)) {
        ADD_FAILURE() << error->text();
        return {};
    }
    mkdisc::BuildOptions options;
    options.outputDir = discs_;
    auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(recipe), options);
    if (auto* error = std::get_if<mkdisc::BuildError>(&built)) {
        ADD_FAILURE() << error->text();
        return {};
    }
    leadOuts_[name] = std::get<mkdisc::BuiltDisc>(built).plan.leadOut;
    modes_[name] = mode;
    return std::get<mkdisc::BuiltDisc>(built).descriptor;
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

void LiveCompare::start(const std::map<char, fs::path>& letters) {
    std::string config;
    for (const auto& [letter, source] : letters) {
        config += std::string(1, letter) + ":=" + source.string() + ";";
    }
    const char* loaded = std::getenv("KEL_DRIVES");
    if (loaded && config != loaded) {
        GTEST_SKIP() << "another case set the drives of this process; run each case alone";
    }
    ::setenv("KEL_DRIVES", config.c_str(), 1);
    client_ = std::make_unique<frontend::Tkelcd>();
    client_->Formcreate();
    ASSERT_TRUE(
        waitFor([this] { return KelCdData.ServerConnected || client_->HandshakeFailed(); }));
    ASSERT_TRUE(KelCdData.ServerConnected) << "the server did not answer the handshake";
    client_->_Send(frontend::kGroupSystem, frontend::kSubGet, frontend::kSystemDeviceList & 0xFF);
    ASSERT_EQ(KelCdData.ReplyError, 0);
}

bool LiveCompare::waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return done();
}

}  // namespace kel::compare::testing
