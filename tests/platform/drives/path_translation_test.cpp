#include "platform/drives/path_translation.h"

#include <gtest/gtest.h>

#include "platform/drives/dos_path.h"
#include "tests/support/temp_folder.h"

namespace kel::drives {
namespace fs = std::filesystem;
namespace {

std::vector<std::string> parts(std::string_view dosPath) {
    std::optional<DosPath> parsed = parseDosPath(dosPath);
    return parsed ? parsed->components : std::vector<std::string>{"<invalid>"};
}

TEST(DosPath, SplitsOnBothSeparatorsAndKeepsDotsInsideTheRoot) {
    using V = std::vector<std::string>;
    EXPECT_EQ(parts("D:\\dir\\File.Txt"), (V{"dir", "File.Txt"}));
    EXPECT_EQ(parts("d:/a//b/./c\\"), (V{"a", "b", "c"}));
    EXPECT_EQ(parts("D:"), V{});
    EXPECT_EQ(parts("D:\\"), V{});
    EXPECT_EQ(parts("D:setup.exe"), V{"setup.exe"});
    EXPECT_EQ(parts("D:\\..\\..\\etc\\passwd"), (V{"etc", "passwd"}));
    EXPECT_EQ(parts("D:\\a\\b\\..\\..\\..\\c"), V{"c"});
    EXPECT_EQ(parts("D:\\...\\x"), (V{"...", "x"}));
    EXPECT_EQ(parseDosPath("e:\\x")->letter, 'E');
}

TEST(DosPath, RejectsTextsWithoutADriveLetter) {
    using namespace std::string_view_literals;
    for (std::string_view text : {""sv, "D"sv, ":\\x"sv, "1:\\x"sv, "\\\\server\\share"sv,
                                  "/etc/passwd"sv, "DD:\\x"sv, "D:\\a\0b"sv}) {
        EXPECT_FALSE(parseDosPath(text)) << text;
    }
}

class PathBelowRoot : public ::testing::Test {
protected:
    PathBelowRoot() {
        disc.write("Setup.EXE", "x");
        disc.write("Docs/ReadMe.txt", "x");
        disc.write("Docs/Deep/a.dat", "x");
        fs::create_directories(outside.path() / "secret");
        outside.write("secret/key", "x");
        fs::create_symlink(outside.path() / "secret", disc.path() / "Escape");
        fs::create_symlink("Docs", disc.path() / "Inside");
    }

    Translation resolve(std::string_view dosPath) {
        return resolveBelow(disc.path(), parts(dosPath));
    }

    test::TempFolder disc;
    test::TempFolder outside;
};

TEST_F(PathBelowRoot, ComponentsMatchIgnoringCase) {
    Translation found = resolve("D:\\DOCS\\deep\\A.DAT");
    EXPECT_EQ(found.status, Lookup::Found) << found.error;
    EXPECT_EQ(found.path, disc.path() / "Docs/Deep/a.dat");
    EXPECT_EQ(resolve("D:\\setup.exe").path, disc.path() / "Setup.EXE");
    EXPECT_EQ(resolve("D:\\").path, disc.path());
}

TEST_F(PathBelowRoot, MissingFileAndMissingFolderAreTold) {
    Translation file = resolve("D:\\docs\\missing.txt");
    EXPECT_EQ(file.status, Lookup::FileMissing);
    EXPECT_EQ(file.path, disc.path() / "Docs/missing.txt");
    EXPECT_NE(file.error.find("missing.txt"), std::string::npos);
    EXPECT_EQ(resolve("D:\\nofolder\\x.txt").status, Lookup::FolderMissing);
    // A file used as a folder is a missing folder, not a found file.
    EXPECT_EQ(resolve("D:\\setup.exe\\x").status, Lookup::FolderMissing);
}

TEST_F(PathBelowRoot, DotDotStopsAtTheRoot) {
    disc.write("etc/passwd", "disc's own");
    Translation found = resolve("D:\\..\\..\\etc\\passwd");
    EXPECT_EQ(found.status, Lookup::Found);
    EXPECT_EQ(found.path, disc.path() / "etc/passwd");
}

TEST_F(PathBelowRoot, SymlinksOutOfTheRootAreRefused) {
    EXPECT_EQ(resolve("D:\\escape").status, Lookup::OutsideRoot);
    EXPECT_EQ(resolve("D:\\Escape\\key").status, Lookup::OutsideRoot);
    EXPECT_EQ(resolve("D:\\Escape\\nothing").status, Lookup::OutsideRoot);
    Translation inside = resolve("D:\\inside\\readme.TXT");
    EXPECT_EQ(inside.status, Lookup::Found) << inside.error;
}

TEST_F(PathBelowRoot, ExactNameWinsThenNameOrder) {
    disc.write("dup/FILE", "1");
    disc.write("dup/file", "2");
    disc.write("dup/File", "3");
    EXPECT_EQ(findIgnoringCase(disc.path() / "dup", "file"), disc.path() / "dup/file");
    EXPECT_EQ(findIgnoringCase(disc.path() / "dup", "fILE"), disc.path() / "dup/FILE");
    for (std::string_view bad : {"", ".", "..", "a/b"}) {
        EXPECT_EQ(findIgnoringCase(disc.path(), bad), std::nullopt) << bad;
    }
}

TEST_F(PathBelowRoot, UnreachableRootIsNoRoot) {
    EXPECT_EQ(resolveBelow(disc.path() / "gone", {"x"}).status, Lookup::NoRoot);
}

TEST(TranslatePath, GoesThroughTheLetterOfTheTable) {
    test::TempFolder folder;
    folder.write("Sub/Name.Txt", "x");
    DriveTable table = DriveTable::fromConfig(parseDriveConfig("D:=/dev/sr97").entries);
    std::string dosPath = "C:" + folder.path().string() + "/SUB/name.txt";
    std::replace(dosPath.begin(), dosPath.end(), '/', '\\');
    Translation found = translatePath(dosPath, table);
    EXPECT_EQ(found.status, Lookup::Found) << found.error;
    EXPECT_EQ(found.path, folder.path() / "Sub/Name.Txt");

    Translation noDisc = translatePath("D:\\setup.exe", table);
    EXPECT_EQ(noDisc.status, Lookup::NoRoot);
    EXPECT_NE(noDisc.error.find("D:"), std::string::npos);
    EXPECT_EQ(translatePath("Q:\\x", table).status, Lookup::NoRoot);
    EXPECT_EQ(translatePath("relative\\x", table).status, Lookup::Invalid);
}

}  // namespace
}  // namespace kel::drives
