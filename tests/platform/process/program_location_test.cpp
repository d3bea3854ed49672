#include "platform/process/program_location.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/process/launch_codes.h"
#include "tests/support/temp_folder.h"

namespace kel::process {
namespace fs = std::filesystem;
namespace {

class Locate : public testing::Test {
protected:
    Locate() {
        folder.write("KELCD32", "x");
        folder.write("kel_comp", "x");
        folder.write("Tool.EXE", "x");
        folder.write("tool", "x");
        folder.write("Sub Dir/Inner", "x");
        folder.write("readme.txt", "x");
    }

    fs::path found(std::string_view name) {
        Location location = locate(name, folder.path());
        EXPECT_EQ(location.failure, 0) << name << ": " << location.error;
        return location.file;
    }

    int failure(std::string_view name) { return locate(name, folder.path()).failure; }

    // The folder as a C: path with desktop separators.
    std::string onDriveC(std::string_view relative) {
        std::string text = "C:" + (folder.path() / relative).string();
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    }

    test::TempFolder folder;
};

TEST_F(Locate, ProgramEndingIsDroppedAndCaseIgnored) {
    EXPECT_EQ(found("Kelcd32.Exe"), folder.path() / "KELCD32");
    EXPECT_EQ(found("KEL_COMP.EXE"), folder.path() / "kel_comp");
    EXPECT_EQ(found("kelcd32.com"), folder.path() / "KELCD32");
    EXPECT_EQ(found("KELCD32"), folder.path() / "KELCD32");
    EXPECT_EQ(found("sub dir\\INNER"), folder.path() / "Sub Dir/Inner");
}

TEST_F(Locate, AFileThatReallyEndsInExeWinsOverTheBareName) {
    EXPECT_EQ(found("tool.exe"), folder.path() / "Tool.EXE");
    EXPECT_EQ(found("TOOL"), folder.path() / "tool");
}

TEST_F(Locate, OnlyProgramEndingsAreDropped) {
    EXPECT_EQ(failure("readme.txt.exe"), 0);
    EXPECT_EQ(failure("readme"), code::kFileNotFound);
    EXPECT_EQ(failure("readme.bat"), code::kFileNotFound);
    EXPECT_EQ(failure(".exe"), code::kFileNotFound);
}

TEST_F(Locate, MissingFileAndMissingFolderGiveTheirCodes) {
    EXPECT_EQ(failure(""), code::kFileNotFound);
    EXPECT_EQ(failure("nothing.exe"), code::kFileNotFound);
    EXPECT_EQ(failure("nofolder\\nothing.exe"), code::kPathNotFound);
    EXPECT_EQ(failure(onDriveC("nofolder/x.exe")), code::kPathNotFound);
    EXPECT_EQ(failure("Q:\\setup.exe"), code::kPathNotFound);
}

TEST_F(Locate, AbsoluteAndDrivePathsIgnoreTheBaseFolder) {
    fs::path elsewhere = fs::temp_directory_path();
    fs::path linuxPath = folder.path() / "KEL_COMP.EXE";
    EXPECT_EQ(locate(linuxPath.string(), elsewhere).file, folder.path() / "kel_comp");
    EXPECT_EQ(locate(onDriveC("sub dir/inner"), elsewhere).file, folder.path() / "Sub Dir/Inner");
}

}  // namespace
}  // namespace kel::process
