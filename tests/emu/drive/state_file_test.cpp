// The shared drive state between processes: a holder that dies, files that
// are no state at all.
#include "emu/drive/state_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/temp_folder.h"

namespace kel::emu {
namespace {

DriveState fresh() {
    DriveState state;
    state.discIdentity = "disc";
    return state;
}

TEST(StateFile, AProcessThatDiesHoldingTheStateLeavesItToTheNext) {
    test::TempFolder folder;
    const auto path = folder.path() / "drive.state";
    std::string error;
    {
        auto state = StateFile::open(path, error);
        ASSERT_TRUE(state) << error;
        ASSERT_FALSE(state->transact(fresh(), [](DriveState& s) { s.locked = true; }));
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string childError;
        auto state = StateFile::open(path, childError);
        if (state) {
            state->transact(fresh(), [](DriveState& s) {
                s.trayOpen = true;
                ::_exit(0);  // inside the transaction: the lock is held
            });
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    auto state = StateFile::open(path, error);
    ASSERT_TRUE(state) << error;
    ASSERT_FALSE(state->transact(fresh(), [](DriveState& s) { s.locked = false; }));
    auto seen = state->read(fresh(), error);
    ASSERT_TRUE(seen) << error;
    EXPECT_FALSE(seen->locked);
    EXPECT_FALSE(seen->trayOpen);  // the dead process's change never landed
}

TEST(StateFile, ChangesThroughOneOpeningReachAnother) {
    test::TempFolder folder;
    std::string error;
    auto first = StateFile::open(folder.path() / "drive.state", error);
    auto second = StateFile::open(folder.path() / "drive.state", error);
    ASSERT_TRUE(first && second) << error;
    for (int round = 0; round < 3; ++round) {
        const bool open = round % 2 == 0;
        ASSERT_FALSE(first->transact(fresh(), [&](DriveState& s) { s.trayOpen = open; }));
        auto seen = second->read(fresh(), error);
        ASSERT_TRUE(seen) << error;
        EXPECT_EQ(seen->trayOpen, open);
    }
}

TEST(StateFile, AFileTooLargeToHoldAStateIsRefused) {
    test::TempFolder folder;
    const auto path = folder.path() / "drive.state";
    std::ofstream(path) << std::string(70 * 1024, 'x');
    std::string error;
    EXPECT_FALSE(StateFile::open(path, error));
    EXPECT_NE(error.find("implausibly large"), std::string::npos) << error;
}

}  // namespace
}  // namespace kel::emu
