#include "tests/support/live_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <variant>

#include "frontend/common/kel_cd_data.h"
#include "platform/base/paths.h"
#include "server/request_codes.h"
#include "tests/frontend/common/link_environment.h"
#include "tests/support/drive_config.h"
#include "tests/support/have_program.h"
#include "tools/mkdisc/recipe_parser.h"
#include "wiring/drive_transport.h"

namespace kel::test {

namespace fs = std::filesystem;
using frontend::KelCdData;

std::string LiveServerMissing() {
    if (!fs::exists(paths::programDir() / "KELCD32")) {
        return "the drive server KELCD32 is not built beside this test";
    }
    if (!haveProgram("xorriso")) {
        return "xorriso (Debian package xorriso) is needed to build data discs";
    }
    return {};
}

std::optional<mkdisc::BuiltDisc> BuildNamedDisc(const fs::path& folder, const std::string& name,
                                                const std::string& recipe) {
    const fs::path file = folder / (name + ".recipe");
    std::ofstream(file) << "[disc]\nname = " << name << "\n" << recipe;
    auto parsed = mkdisc::readRecipe(file);
    if (auto* error = std::get_if<mkdisc::BuildError>(&parsed)) {
        ADD_FAILURE() << error->text();
        return std::nullopt;
    }
    mkdisc::BuildOptions options;
    options.outputDir = folder;
    auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(parsed), options);
    if (auto* error = std::get_if<mkdisc::BuildError>(&built)) {
        ADD_FAILURE() << error->text();
        return std::nullopt;
    }
    return std::get<mkdisc::BuiltDisc>(std::move(built));
}

std::string DrivesConfig(const std::map<char, fs::path>& letters) {
    std::string config;
    for (const auto& [letter, source] : letters) {
        config += std::string(1, letter) + ":=" + source.string() + ";";
    }
    return config;
}

void UseDrives(const std::map<char, fs::path>& letters) {
    setDriveConfig(DrivesConfig(letters));
    // As the front ends do at start, so that the drives' media are seen.
    wiring::wireDrives();
}

LiveCase::LiveCase() {
    if (const char* folder = std::getenv("KEL_RUNTIME_DIR")) {
        processFolder_ = folder;
    }
    ::setenv("KEL_RUNTIME_DIR", folder_.path().c_str(), 1);
}

LiveCase::~LiveCase() {
    clearDriveConfig();
    if (processFolder_) {
        ::setenv("KEL_RUNTIME_DIR", processFolder_->c_str(), 1);
    } else {
        ::unsetenv("KEL_RUNTIME_DIR");
    }
}

void ConnectToServer(frontend::Tkelcd& client) {
    client.Formcreate();
    ASSERT_TRUE(frontend::testing::processEventsUntil(
        [&client] { return KelCdData.ServerConnected || client.HandshakeFailed(); },
        std::chrono::seconds(20)));
    ASSERT_TRUE(KelCdData.ServerConnected) << "the server did not answer the handshake";
    client._Send(kel::kGroupSystem, kel::kSubGet, kel::kSystemDeviceList & 0xFF);
    ASSERT_EQ(KelCdData.ReplyError, 0);
}

void CloseAndAwaitServerEnd(frontend::Tkelcd& client, const std::function<void()>& close) {
    const bool connected = KelCdData.ServerConnected != 0;
    bool closed = false;
    const QMetaObject::Connection watch =
        QObject::connect(&client, &frontend::Tkelcd::FormClosed, [&closed] { closed = true; });
    close();
    if (connected) {
        EXPECT_TRUE(frontend::testing::processEventsUntil([&closed] { return closed; },
                                                          std::chrono::seconds(10)))
            << "the server did not announce its end";
        KelCdData.ServerConnected = 0;
    }
    QObject::disconnect(watch);
}

void DisconnectFromServer(frontend::Tkelcd& client) {
    CloseAndAwaitServerEnd(client, [&client] {
        if (KelCdData.ServerConnected) {
            client._Send(kel::kGroupExit, 0, 0);
        }
    });
}

}  // namespace kel::test
