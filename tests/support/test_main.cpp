// The main of every test binary. The programs' default runtime folder (drive
// state files, link sockets, server logs) becomes one of this process's own,
// removed when its tests end, so that a test run leaves nothing behind and no
// two binaries meet in a shared folder. A case that needs a folder of its own
// still sets KEL_RUNTIME_DIR; when it unsets it, the default leads here again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/temp_folder.h"

namespace {

constexpr const char* kOwnerVariable = "KEL_TEST_RUNTIME_OWNER";

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A death test's child runs this main again: it keeps its parent's folder.
    std::filesystem::path owned;
    if (std::getenv(kOwnerVariable) == nullptr) {
        owned = kel::test::makeUniqueFolder("kel-run-");
        if (owned.empty()) {
            std::fprintf(stderr, "cannot make a runtime folder for the tests\n");
            return 1;
        }
        ::setenv(kOwnerVariable, owned.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", owned.c_str(), 1);
        ::setenv("KEL_RUNTIME_DIR", (owned / "kel").c_str(), 1);
    }
    const int result = RUN_ALL_TESTS();
    if (!owned.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(owned, ignored);
    }
    return result;
}
