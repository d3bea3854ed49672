// morvale-scan against the tools that made and read the same images: long
// Rock Ridge names (xorriso), an HFS folder moved below a later one
// (hfsutils), hard links on a damaged UDF bridge (genisoimage, isoinfo,
// udfinfo) and the plain UDF volumes of mkudffs (udfinfo). What a listing
// of the image holds must be in the scan's tree, under the same name.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/build_disc.h"
#include "tools/mkdisc/fs/apple_partition_map.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

using kel::test::haveProgram;

struct Entry {
    std::int64_t start = 0;
    std::uint64_t size = 0;
    bool operator==(const Entry&) const = default;
};
// Path from the root ("/" between names, directories ending in "/").
using Listing = std::map<std::string, Entry>;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

class ScanCrossCheck : public ::testing::Test {
protected:
    // The command's standard output; the test fails on a non-zero status.
    std::string Output(const std::string& command) {
        const fs::path out = folder_ / "command.out";
        const int status = std::system(("(" + command + ") > " + Quoted(out)).c_str());
        EXPECT_EQ(status, 0) << command;
        std::ifstream in(out, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // morvale-scan D: with the image in drive D:; its exit status.
    int Scan(const fs::path& image, Listing& listing, std::string& errors) {
        const fs::path out = folder_ / "scan.out";
        const fs::path err = folder_ / "scan.err";
        fs::create_directories(folder_ / "runtime");
        const std::string command = "KEL_DRIVES='D:=" + image.string() +
                                    "' KEL_RUNTIME_DIR=" + Quoted(folder_ / "runtime") +
                                    " KEL_REGISTRY_DIR=" + Quoted(folder_ / "registry") +
                                    " XDG_CONFIG_HOME=" + Quoted(folder_ / "config") +
                                    " " KEL_MORVALE_SCAN " D: > " + Quoted(out) + " 2> " +
                                    Quoted(err);
        const int status = std::system(command.c_str());
        std::ifstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string path, start, size;
            std::getline(fields, path, '\t');
            std::getline(fields, start, '\t');
            std::getline(fields, size, '\t');
            listing[path] = {std::stoll(start), std::stoull(size)};
        }
        std::ifstream text(err);
        errors.assign(std::istreambuf_iterator<char>(text), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Listing Scan(const fs::path& image) {
        Listing listing;
        std::string errors;
        EXPECT_EQ(Scan(image, listing, errors), 0) << errors;
        return listing;
    }

    // Every path of `theirs` is in `ours` with the same size, files only
    // compared by size (directories' sizes differ between the formats).
    static void ExpectHeld(const Listing& ours,
                           const std::map<std::string, std::uint64_t>& theirs) {
        for (const auto& [path, size] : theirs) {
            const auto found = ours.find(path);
            ASSERT_NE(found, ours.end()) << path << " is missing from the scan";
            if (path.back() != '/') {
                EXPECT_EQ(found->second.size, size) << path;
            }
        }
    }

    // udfinfo's key=value lines.
    std::map<std::string, std::string> UdfInfo(const fs::path& image) {
        std::map<std::string, std::string> values;
        std::istringstream lines(Output("udfinfo " + Quoted(image) + " 2>/dev/null"));
        for (std::string line; std::getline(lines, line);) {
            const auto equals = line.find('=');
            if (equals != std::string::npos && !values.contains(line.substr(0, equals))) {
                values[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
        return values;
    }

    static std::size_t Count(const Listing& listing, bool directories) {
        std::size_t count = 0;
        for (const auto& entry : listing) {
            count += (entry.first.back() == '/') == directories ? 1 : 0;
        }
        return count;
    }

    test::TempFolder folder_;
};

TEST_F(ScanCrossCheck, LongRockRidgeNamesAsXorrisoListsThem) {
    if (!haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso (Debian package xorriso) makes and lists the image";
    }
    const std::string longest(255, 'n');
    const std::string folder(240, 'd');
    folder_.write("tree/" + longest, "255 characters\n");
    folder_.write("tree/" + folder + "/" + std::string(240, 'f'), std::string(3000, 'x'));
    folder_.write("tree/short.txt", "short\n");
    const fs::path image = folder_ / "long.iso";
    Output("xorriso -as mkisofs -quiet -R -o " + Quoted(image) + " " + Quoted(folder_ / "tree") +
           " 2>/dev/null");

    std::map<std::string, std::uint64_t> theirs;
    std::istringstream lines(
        Output("xorriso -indev " + Quoted(image) + " -find / -exec lsdl 2>/dev/null"));
    const std::regex line(R"(^([d-])\S+\s+\d+\s+\S+\s+\S+\s+(\d+)\s+.*?'(/.*)'$)");
    for (std::string text; std::getline(lines, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line)) {
            const bool directory = m[1] == "d";
            std::string path = m[3].str();
            if (directory && path != "/") {
                path += '/';
            }
            theirs[path] = std::stoull(m[2].str());
        }
    }
    ASSERT_EQ(theirs.size(), 5u) << "the root, a folder and three files";
    const Listing ours = Scan(image);
    ExpectHeld(ours, theirs);
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours.contains("/" + longest));
}

TEST_F(ScanCrossCheck, HfsFolderMovedBelowALaterOneAsHlsListsIt) {
    if (!haveProgram("hformat") || !haveProgram("hls")) {
        GTEST_SKIP() << "hfsutils (Debian package hfsutils) makes and lists the volume";
    }
    // 2 MiB: a partition map, then the volume hformat makes in partition 1.
    const fs::path image = folder_ / "moved.iso";
    constexpr std::uint32_t kBlocks512 = 4096;
    {
        const std::vector<std::uint8_t> map = mkdisc::fs::applePartitionMap(kBlocks512);
        std::vector<char> bytes(std::size_t{kBlocks512} * 512, 0);
        std::copy(map.begin(), map.end(), bytes.begin());
        std::ofstream(image, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const fs::path leaf = folder_.write("leaf.txt", "moved with its folder\n");
    fs::create_directories(folder_ / "home");
    const std::string hfs = "HOME=" + Quoted(folder_ / "home") + " ";
    Output(hfs + "hformat -l MOVED " + Quoted(image) + " 1 >/dev/null && " + hfs + "hmkdir :P && " +
           hfs + "hmkdir :G && " + hfs + "hmkdir :P:X && " + hfs + "hcopy -r " + Quoted(leaf) +
           " :P:X:Leaf && " + hfs + "hrename :P :G:P && " + hfs + "humount");

    std::map<std::string, std::uint64_t> theirs{{"/", 0}};
    const std::string listed = Output(hfs + "hmount " + Quoted(image) + " 1 >/dev/null && " + hfs +
                                      "hls -laR && " + hfs + "humount >/dev/null");
    std::istringstream lines(listed);
    const std::regex line(R"(^([df])\S*\s+(\S+)\s+(?:item|items|(\d+)\s+(\d+))\s+)"
                          R"(\w{3}\s+\d+\s+(?:\d\d:\d\d|\d{4})\s(.*)$)");
    std::string directory = "/";
    for (std::string text; std::getline(lines, text);) {
        std::smatch m;
        if (text.size() > 1 && text.front() == ':' && text.back() == ':') {
            directory = text;
            std::replace(directory.begin(), directory.end(), ':', '/');
        } else if (std::regex_match(text, m, line)) {
            const bool isDirectory = m[1] == "d";
            theirs[directory + m[5].str() + (isDirectory ? "/" : "")] =
                isDirectory ? 0 : std::stoull(m[4].str());
        }
    }
    ASSERT_TRUE(theirs.contains("/G/P/X/Leaf")) << "hls lists the moved subtree:\n" << listed;
    const Listing ours = Scan(image);
    ExpectHeld(ours, theirs);
    EXPECT_EQ(ours.size(), theirs.size());
}

TEST_F(ScanCrossCheck, HardLinksOnADamagedUdfBridgeBothStay) {
    if (!haveProgram("genisoimage") || !haveProgram("isoinfo") || !haveProgram("udfinfo")) {
        GTEST_SKIP() << "genisoimage (isoinfo) and udftools (udfinfo) are needed";
    }
    const fs::path first = folder_.write("tree/LINK1.DAT", std::string(5000, 'l'));
    fs::create_directories(folder_ / "tree/SUB");
    fs::create_hard_link(first, folder_ / "tree/SUB/LINK2.DAT");
    folder_.write("tree/BROKEN.TXT", std::string(777, 'b'));
    folder_.write("tree/OTHER.TXT", "other\n");
    const fs::path image = folder_ / "links.iso";
    Output("genisoimage -quiet -udf -R -cache-inodes -o " + Quoted(image) + " " +
           Quoted(folder_ / "tree") + " 2>/dev/null");

    // BROKEN.TXT's UDF file entry (the one of 777 bytes) gets a bad tag
    // checksum: a structure error, so the block scan runs.
    {
        std::fstream bytes(image, std::ios::binary | std::ios::in | std::ios::out);
        std::array<unsigned char, 2048> block{};
        bool damaged = false;
        for (std::streamoff at = 0;
             !damaged && bytes.read(reinterpret_cast<char*>(block.data()),
                                    static_cast<std::streamsize>(block.size()));
             at += 2048) {
            const unsigned tag = block[0] | block[1] << 8;
            const unsigned length = block[56] | block[57] << 8 | block[58] << 16;
            if ((tag == 261 || tag == 266) && length == 777) {
                bytes.seekp(at + 4);
                bytes.put(static_cast<char>(block[4] + 1));
                damaged = true;
            }
        }
        ASSERT_TRUE(damaged) << "no file entry of 777 bytes";
    }

    std::map<std::string, std::uint64_t> theirs;
    std::istringstream lines(Output("isoinfo -l -R -i " + Quoted(image) + " 2>/dev/null"));
    const std::regex line(R"(^([d-])\S+\s+\d+\s+\d+\s+\d+\s+(\d+)\s+.*\]\s+(.*?)\s*$)");
    std::string directory = "/";
    for (std::string text; std::getline(lines, text);) {
        std::smatch m;
        if (text.rfind("Directory listing of ", 0) == 0) {
            directory = text.substr(21);
        } else if (std::regex_match(text, m, line) && m[3] != "." && m[3] != "..") {
            const bool isDirectory = m[1] == "d";
            theirs[directory + m[3].str() + (isDirectory ? "/" : "")] =
                isDirectory ? 0 : std::stoull(m[2].str());
        }
    }
    ASSERT_EQ(theirs.size(), 5u) << "two links, two more files and a folder";
    theirs.erase("/BROKEN.TXT");  // its damaged entry has no size to show

    const Listing ours = Scan(image);
    ExpectHeld(ours, theirs);
    ASSERT_TRUE(ours.contains("/BROKEN.TXT")) << "a damaged entry still shows";
    EXPECT_EQ(ours.at("/BROKEN.TXT").start, -1);
    ASSERT_TRUE(ours.contains("/LINK1.DAT") && ours.contains("/SUB/LINK2.DAT"));
    EXPECT_EQ(ours.at("/LINK1.DAT"), ours.at("/SUB/LINK2.DAT")) << "one extent";
    // Whatever else the block scan found hangs below its own folder.
    for (const auto& [path, entry] : ours) {
        EXPECT_TRUE(theirs.contains(path) || path == "/" || path == "/BROKEN.TXT" ||
                    path.rfind("/Unattached Items/", 0) == 0)
            << path;
    }
    EXPECT_EQ(UdfInfo(image).at("numfiles"), "4") << "udfinfo counts the linked file once";
}

TEST_F(ScanCrossCheck, PlainUdfVolumesOfMkudffsShowTheirRoot) {
    if (!haveProgram("mkudffs") || !haveProgram("udfinfo")) {
        GTEST_SKIP() << "udftools (mkudffs, udfinfo) are needed";
    }
    // No packaged tool copies files into a UDF image without mounting it:
    // the empty volumes' roots are what can be compared.
    for (const char* revision : {"0x0102", "0x0201"}) {
        const fs::path image = folder_ / (std::string("hd-") + revision + ".iso");
        Output(std::string("mkudffs --blocksize=2048 --media-type=hd --udfrev=") + revision +
               " --label=KELHD --new-file " + Quoted(image) + " 4096 >/dev/null 2>&1");
        const auto info = UdfInfo(image);
        ASSERT_EQ(info.at("accesstype"), "overwritable") << revision;
        Listing ours;
        std::string errors;
        ASSERT_EQ(Scan(image, ours, errors), 0) << revision << errors;
        ASSERT_TRUE(ours.contains("/")) << revision;
        EXPECT_GT(ours.at("/").start, 0) << revision;
        EXPECT_EQ(std::to_string(Count(ours, true)), info.at("numdirs")) << revision;
        EXPECT_EQ(std::to_string(Count(ours, false)), info.at("numfiles")) << revision;
        EXPECT_EQ(errors.find("message "), std::string::npos) << revision << errors;
    }
}

// A blank disc has no file system: its one node only names the disc.
TEST_F(ScanCrossCheck, BlankDiscListsNothing) {
    auto recipe = mkdisc::parseRecipe("[disc]\nname = blank\nmedium = cd-r\nstate = blank\n",
                                      folder_ / "blank.recipe");
    ASSERT_TRUE(std::holds_alternative<mkdisc::Recipe>(recipe));
    mkdisc::BuildOptions options;
    options.outputDir = folder_ / "blank";
    const auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(recipe), options);
    ASSERT_TRUE(std::holds_alternative<mkdisc::BuiltDisc>(built));
    Listing ours;
    std::string errors;
    EXPECT_EQ(Scan(std::get<mkdisc::BuiltDisc>(built).descriptor, ours, errors), 0) << errors;
    EXPECT_TRUE(ours.empty()) << ours.begin()->first;
}

TEST_F(ScanCrossCheck, MissingDriveEndsWithStatusOne) {
    Listing ours;
    std::string errors;
    const fs::path absent = folder_ / "absent.iso";
    EXPECT_EQ(Scan(absent, ours, errors), 1);
    EXPECT_TRUE(ours.empty());
    EXPECT_NE(errors.find("morvale-scan: "), std::string::npos) << errors;
}

}  // namespace
}  // namespace kel::diag
