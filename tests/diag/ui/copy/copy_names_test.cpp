// Names a disc may record that cannot stand in a Linux folder, and the
// check that keeps every copy inside the chosen folder.
#include <gtest/gtest.h>

#include "diag/ui/copy/copy_names.h"

namespace kel::diag {
namespace {

TEST(CopyNames, NamesThatCannotStandOnLinuxAreMapped) {
    const std::pair<std::string, std::string> cases[] = {
        {"README.TXT", "README.TXT"},
        {"a/b", "a_b"},
        {"..", "_.."},
        {".", "_."},
        {"", "_"},
        {"../../etc", ".._.._etc"},
        {"/", "_"},
        {"...", "..."},
        {".hidden", ".hidden"},
    };
    for (const auto& [recorded, written] : cases) {
        EXPECT_EQ(LinuxFileName(recorded), written) << recorded;
    }
    EXPECT_EQ(LinuxFileName(std::string_view("cut\0off", 7)), "cut");
}

TEST(CopyNames, OnlyEntriesBelowTheFolderLieInside) {
    const std::filesystem::path folder = "/tmp/target";
    EXPECT_TRUE(LiesInside(folder, folder / "file"));
    EXPECT_TRUE(LiesInside(folder, folder / "a" / ".." / "b"));
    EXPECT_FALSE(LiesInside(folder, folder));
    EXPECT_FALSE(LiesInside(folder, folder / ".."));
    EXPECT_FALSE(LiesInside(folder, folder / ".." / "target2" / "x"));
    EXPECT_FALSE(LiesInside(folder, "/etc/passwd"));
}

}  // namespace
}  // namespace kel::diag
