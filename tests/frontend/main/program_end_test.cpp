// The kel program as the desktop ends it: whatever way it goes, the drive
// server it started goes with it.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/base/paths.h"
#include "platform/link/link_dir.h"
#include "server/server_start.h"
#include "tests/support/temp_folder.h"

namespace kel::frontend {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProgramEnd : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        std::ofstream(folder_.path() / "disc.iso", std::ios::binary)
            << std::string(100 * 2048, '\0');
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("KEL_LINK_DIR",
                           QString::fromStdString((folder_.path() / "link").string()));
        environment.insert("KEL_RUNTIME_DIR", QString::fromStdString(run_.string()));
        environment.insert("KEL_DRIVES",
                           QString::fromStdString("D:=" + (folder_.path() / "disc.iso").string()));
        environment.insert("XDG_CONFIG_HOME",
                           QString::fromStdString((folder_.path() / "config").string()));
        environment.insert("XDG_DATA_HOME",
                           QString::fromStdString((folder_.path() / "data").string()));
        kel_.setProcessEnvironment(environment);
        kel_.setWorkingDirectory(QString::fromStdString(folder_.path().string()));
    }

    void TearDown() override {
        if (kel_.state() != QProcess::NotRunning) {
            kel_.kill();
            kel_.waitForFinished();
        }
        WaitUntil(10s, [this] { return LiveWindows() == 0; });
    }

    std::string ServerLog() const {
        std::ifstream in(run_ / kServerLogName);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::size_t LiveWindows() const { return link::listWindows(folder_.path() / "link").size(); }

    template <typename Condition>
    bool WaitUntil(std::chrono::milliseconds limit, Condition condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > limit.count()) {
                return false;
            }
            QThread::msleep(20);
        }
        return true;
    }

    test::TempFolder folder_;
    fs::path run_ = folder_.path() / "run";
    QProcess kel_;
};

TEST_P(ProgramEnd, TheServerGoesWithTheProgram) {
    const bool killed = GetParam();
    kel_.start(QString::fromStdString((paths::programDir() / "kel").string()), {});
    ASSERT_TRUE(kel_.waitForStarted());
    ASSERT_TRUE(WaitUntil(15s, [this] {
        return ServerLog().find("bound to client window") != std::string::npos;
    })) << ServerLog();
    // The end comes wherever the program is in its first scan of the drive:
    // the server must go whatever request it was serving.
    if (killed) {
        kel_.kill();
    } else {
        kel_.terminate();
    }
    ASSERT_TRUE(kel_.waitForFinished(10000));
    // With the program and its server gone, no window of either listens.
    EXPECT_TRUE(WaitUntil(2s, [this] { return LiveWindows() == 0; })) << ServerLog();
    if (killed) {
        EXPECT_NE(ServerLog().find("has closed: closing as on request 0"), std::string::npos)
            << ServerLog();
    } else {
        EXPECT_EQ(kel_.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(ServerLog().find("request 0: closing"), std::string::npos) << ServerLog();
    }
}

INSTANTIATE_TEST_SUITE_P(KilledOrTerminated, ProgramEnd, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Killed" : "Terminated";
                         });

}  // namespace
}  // namespace kel::frontend
