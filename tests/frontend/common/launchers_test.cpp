// Starting programs: a failure to start is an error, and long paths pass whole.
#include "frontend/common/launchers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "temp_folder.h"

namespace kel::frontend {
namespace {

namespace fs = std::filesystem;

bool appears(const fs::path& file) {
    for (int i = 0; i < 100; ++i) {
        if (fs::exists(file)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(ExecProgram, ProgramThatDoesNotExistRaisesTheWinExecError) {
    try {
        ExecProgram("NoSuchProgramAnywhere.Exe");
        FAIL() << "no error raised";
    } catch (const EWinExecError& error) {
        EXPECT_STREQ(error.what(), "Error using WinExec");
    }
}

// A script below a path of more than 255 characters: cut at 255, the path
// would name something else.
class LongPath : public ::testing::Test {
protected:
    void SetUp() override {
        fs::path folder = temp.path();
        while (folder.string().size() < 300) {
            folder /= "a_rather_long_folder_name";
        }
        fs::create_directories(folder);
        script = folder / "mark.sh";
        std::ofstream(script) << "#!/bin/sh\n: > \"$1\"\n";
        fs::permissions(script, fs::perms::owner_all);
        ASSERT_GT(script.string().size(), 255u);
    }

    testing::TempFolder temp;
    fs::path script;
};

TEST_F(LongPath, ShellExecProgramPassesItWhole) {
    fs::path marker = temp.path() / "shell.mark";
    EXPECT_GE(ShellExecProgram(script.string(), marker.string(), ""), 32);
    EXPECT_TRUE(appears(marker));
}

TEST_F(LongPath, ExecProgramPassesItWhole) {
    fs::path marker = temp.path() / "exec.mark";
    EXPECT_GE(ExecProgram(script.string() + " " + marker.string()), 32);
    EXPECT_TRUE(appears(marker));
}

}  // namespace
}  // namespace kel::frontend
