#include "platform/base/work_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace kel {
namespace {

// A clean-up that took the file away before its maker held it: the maker
// must not go on with a file that is no longer in the folder.
TEST(WorkFile, AFileTakenAwayBeforeItIsHeldIsNotUsed) {
    test::TempFolder folder;
    const std::filesystem::path path = folder / "W0001.TMP";
    std::FILE* file = std::fopen(path.c_str(), "w+bx");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(RemoveWorkFileIfAbandoned(path));
    EXPECT_FALSE(HoldWorkFile(file, path));
    std::fclose(file);

    file = std::fopen(path.c_str(), "w+bx");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(HoldWorkFile(file, path));
    EXPECT_FALSE(RemoveWorkFileIfAbandoned(path)) << "held by this process";
    std::fclose(file);
    EXPECT_TRUE(RemoveWorkFileIfAbandoned(path));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(RemoveWorkFileIfAbandoned(folder / "missing.TMP"));
}

}  // namespace
}  // namespace kel
