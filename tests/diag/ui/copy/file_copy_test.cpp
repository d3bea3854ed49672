// Files, directory trees and track images copied from discs that mkdisc
// made, read through the emulated drive, and held against what xorriso and
// hfsutils extract from the same sectors and against the BIN's own bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/device/spti_device.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/ui/copy/file_copy.h"
#include "diag/ui/copy/track_image.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/fs/apple_partition_map.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

using kel::test::haveProgram;

constexpr std::size_t kRawSector = 2352;
constexpr std::size_t kMode1Data = 16;

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every folder and file below `root`, files with their bytes.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = entry.path().lexically_relative(root).string();
        tree[path] = entry.is_directory() ? "<folder>" : Bytes(entry.path());
    }
    return tree;
}

// The answers a user gives, and what the copy asked.
class Answers : public CopyQuestions {
public:
    bool overwrite(const fs::path& path) override {
        overwriteAsked.push_back(path);
        return overwriteAnswer;
    }
    ReadErrorChoice readError(const std::string& what, std::int64_t block) override {
        readAsked.push_back({what, block});
        if (readAnswers.empty()) {
            return ReadErrorChoice::Stop;
        }
        const ReadErrorChoice choice = readAnswers.front();
        readAnswers.erase(readAnswers.begin());
        return choice;
    }
    bool progress(std::uint64_t done, std::uint64_t total) override {
        EXPECT_LE(done, total);
        return ++progressCalls != cancelAtCall;
    }

    bool overwriteAnswer = false;
    std::vector<fs::path> overwriteAsked;
    std::vector<ReadErrorChoice> readAnswers;
    std::vector<LostBlock> readAsked;
    int cancelAtCall = 0;
    int progressCalls = 0;
};

const char* const kIsoFiles =
    "file = README.TXT text=Read me\n"
    "file = \"Long File Name.text\" size=5000\n"
    "file = docs/Manual.pdf size=70000\n"
    "file = docs/deeper/still/deep.txt text=deep\n"
    "dir = empty\n";

class FileCopy : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetDatabaseFileName({});
        Options() = OptionsBlock{};
        SetMessageResponder([](int, std::uint16_t, const std::string&) { return answer::kOk; });
    }
    void TearDown() override {
        FreeFileTree(track_.root);
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
        ::unsetenv("KEL_RUNTIME_DIR");
    }

    // Builds the disc of `dataSection` and reads track 1's tree; `faults`
    // go into the drive's descriptor first.
    void ReadDisc(const std::string& dataSection, const std::string& faults = "") {
        auto built = testing::BuildDisc("[disc]\nname = disc\n[data]\n" + dataSection,
                                        folder_ / "disc.recipe", folder_ / "out");
        ASSERT_TRUE(built) << "mkdisc failed";
        built_ = std::move(*built);
        if (!faults.empty()) {
            std::ofstream(built_.descriptor, std::ios::app) << "\n[faults]\n" << faults << "\n";
        }
        device_ = testing::EmulatedDevice(built_.descriptor);
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
        device_->TestUnitReady();
        SetCurrentDevice(device_.get());
        testing::RecordFirstTrack(built_, 0x14, track_);
        ASSERT_TRUE(ReadTrackFileSystem(track_));
        ASSERT_NE(track_.root, nullptr);
    }

    // The disc of kIsoFiles with their names kept (Rock Ridge); false (the
    // test skipped or failed) without it.
    bool ReadIsoDisc(const std::string& faults = "") {
        if (!haveProgram("xorriso")) {
            []() { GTEST_SKIP() << "xorriso (Debian package xorriso) makes the disc"; }();
            return false;
        }
        ReadDisc(std::string("rock-ridge = yes\n") + kIsoFiles, faults);
        return !HasFatalFailure();
    }

    // The BIN's user data of track 1 as a 2048-byte-sector image, so that
    // the third-party tools read the disc without our drive or reader.
    fs::path UserDataImage() {
        const std::string bin = Bytes(built_.bins.front());
        const fs::path image = folder_ / "track.iso";
        std::ofstream out(image, std::ios::binary);
        for (std::size_t at = 0; at + kRawSector <= bin.size(); at += kRawSector) {
            out.write(bin.data() + at + kMode1Data, 2048);
        }
        return image;
    }

    fs::path XorrisoExtract() {
        const fs::path theirs = folder_ / "theirs";
        const std::string command = "xorriso -osirrox on -indev '" + UserDataImage().string() +
                                    "' -extract / '" + theirs.string() + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        // xorriso keeps the disc's read-only modes; the folder must go again.
        for (const auto& entry : fs::recursive_directory_iterator(theirs)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        }
        return theirs;
    }

    // The node at `path` ("docs/Manual.pdf") of track 1's tree.
    const FileNode* Node(const std::string& path) const {
        const FileNode* at = track_.root;
        std::size_t from = 0;
        while (at != nullptr && from <= path.size()) {
            const std::size_t slash = std::min(path.find('/', from), path.size());
            const std::string name = path.substr(from, slash - from);
            const FileNode* child = at->firstChild;
            while (child != nullptr && name != child->name) {
                child = child->next;
            }
            at = child;
            from = slash + 1;
        }
        EXPECT_NE(at, nullptr) << path;
        return at;
    }

    CopyOutcome Copy(std::vector<const FileNode*> nodes, const fs::path& into) {
        fs::create_directories(into);
        return CopyNodes(*device_, nodes, into, settings_, answers_);
    }

    test::TempFolder folder_;
    mkdisc::BuiltDisc built_;
    std::unique_ptr<SptiDevice> device_;
    TrackInfo track_;
    CopySettings settings_;
    Answers answers_;
};

TEST_F(FileCopy, IsoTreeAndFileAsXorrisoExtractsThem) {
    if (!haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso (Debian package xorriso) makes and extracts the disc";
    }
    ReadDisc(std::string("rock-ridge = yes\njoliet = yes\n") + kIsoFiles);
    if (HasFatalFailure()) {
        return;
    }
    const fs::path theirs = XorrisoExtract();

    const CopyOutcome tree = Copy({track_.root}, folder_ / "ours");
    EXPECT_TRUE(tree.lost.empty());
    EXPECT_TRUE(tree.problems.empty()) << tree.problems.front();
    EXPECT_EQ(tree.files, 4u);
    EXPECT_EQ(Tree(folder_ / "ours"), Tree(theirs));
    // Dates kept as the disc recorded them, to the second.
    const auto seconds = [](const fs::path& path) {
        return std::chrono::floor<std::chrono::seconds>(fs::last_write_time(path));
    };
    EXPECT_EQ(seconds(folder_ / "ours/docs/Manual.pdf"), seconds(theirs / "docs/Manual.pdf"));

    const CopyOutcome one = Copy({Node("docs/deeper")}, folder_ / "one");
    EXPECT_EQ(one.files, 1u);
    EXPECT_EQ(Bytes(folder_ / "one/deeper/still/deep.txt"), "deep\n");
}

TEST_F(FileCopy, HfsFilesAsHfsutilsExtractThem) {
    if (!haveProgram("hformat") || !haveProgram("hcopy")) {
        GTEST_SKIP() << "hfsutils (Debian package hfsutils) makes and extracts the volume";
    }
    ReadDisc(
        "filesystem = hfs\nvolume-id = KELHFS\nmin-size = 512\n"
        "file = \"Read Me\" text=hello from hfs\n"
        "file = Folder/Inner/big.bin size=100000\n"
        "file = Folder/small.txt text=small\n");
    if (HasFatalFailure()) {
        return;
    }
    const CopyOutcome outcome = Copy({track_.root}, folder_ / "ours");
    EXPECT_TRUE(outcome.problems.empty()) << outcome.problems.front();
    EXPECT_EQ(outcome.files, 3u);

    const fs::path image = UserDataImage();
    fs::create_directories(folder_ / "home");
    const std::string env = "HOME='" + (folder_ / "home").string() + "' ";
    ASSERT_EQ(std::system((env + "hmount '" + image.string() + "' 1 >/dev/null").c_str()), 0);
    for (const char* path : {"Read Me", "Folder/Inner/big.bin", "Folder/small.txt"}) {
        std::string hfsPath = std::string(":") + path;
        std::replace(hfsPath.begin(), hfsPath.end(), '/', ':');
        const fs::path theirs = folder_ / "theirs.bin";
        const std::string command =
            env + "hcopy -r '" + hfsPath + "' '" + theirs.string() + "' >/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(Bytes(folder_ / "ours" / path), Bytes(theirs)) << path;
    }
    std::system((env + "humount >/dev/null").c_str());
}

// A file written into the hole another left and on past it: its data fork
// lies in two extents, which the copy takes from the catalog record.
TEST_F(FileCopy, AnHfsForkInPiecesAsHcopyExtractsIt) {
    if (!haveProgram("hformat") || !haveProgram("hcopy")) {
        GTEST_SKIP() << "hfsutils (Debian package hfsutils) makes and extracts the volume";
    }
    const fs::path image = folder_ / "pieces.iso";
    constexpr std::uint32_t kBlocks512 = 4096;
    // A partition map, then the volume hformat makes in partition 1.
    std::vector<std::uint8_t> disc = mkdisc::fs::applePartitionMap(kBlocks512);
    disc.resize(std::size_t{kBlocks512} * 512);
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(disc.data()),
               static_cast<std::streamsize>(disc.size()));
    // Three files fill most of the volume; the fourth goes into the middle
    // one's hole and on behind the third.
    std::string made = "export HOME='" + (folder_ / "home").string() + "'; hformat -l PIECES '" +
                       image.string() + "' 1 >/dev/null";
    for (const auto& [name, size] :
         {std::pair{"a", 500000}, {"b", 500000}, {"c", 500000}, {"d", 700000}}) {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>((i * 131 + name[0]) >> 3);
        }
        const fs::path file = folder_.write(name, bytes);
        made += std::string(name[0] == 'd' ? " && hdel :b" : "") + " && hcopy -r '" +
                file.string() + "' :" + name;
    }
    made += " && hcopy -r :d '" + (folder_ / "theirs").string() + "' && humount";
    fs::create_directories(folder_ / "home");
    ASSERT_EQ(std::system(made.c_str()), 0) << made;

    device_ = testing::EmulatedDevice(image);
    ASSERT_TRUE(device_->FindFirst());
    ASSERT_TRUE(device_->Open());
    SetCurrentDevice(device_.get());
    track_.end = kBlocks512 / 4;
    track_.control = 0x14;
    ASSERT_TRUE(ReadTrackFileSystem(track_));
    const FileNode* pieces = Node("d");
    ASSERT_NE(pieces, nullptr);
    ASSERT_NE(pieces->flags & 8, 0) << "the volume did not split the file";
    const CopyOutcome outcome = Copy({pieces}, folder_ / "ours");
    EXPECT_TRUE(outcome.problems.empty()) << outcome.problems.front();
    EXPECT_TRUE(Bytes(folder_ / "ours/d") == Bytes(folder_ / "theirs"));
    EXPECT_TRUE(Bytes(folder_ / "ours/d") == Bytes(folder_ / "d"));
}

// High Sierra names keep their version marker on the disc; with
// RemoveVersion on, the copy takes the names as the list shows them.
TEST_F(FileCopy, HighSierraTreeAsItsSourceFolderHoldsIt) {
    ReadDisc(
        "filesystem = high-sierra\nvolume-id = HSVOL\n"
        "file = README.TXT text=Read me\nfile = DOCS/MANUAL.PDF size=70000\ndir = EMPTY\n");
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_NE(track_.flags & track_flags::kHighSierra, 0u);
    Options().removeVersion = 1;
    const CopyOutcome outcome = Copy({track_.root}, folder_ / "ours");
    EXPECT_EQ(outcome.files, 2u);
    EXPECT_EQ(Tree(folder_ / "ours"), Tree(built_.folder));
}

TEST_F(FileCopy, UdfTreeAsItsSourceFolderHoldsIt) {
    if (!haveProgram("genisoimage")) {
        GTEST_SKIP() << "genisoimage (Debian package genisoimage) makes the disc";
    }
    ReadDisc(std::string("filesystem = udf-bridge\n") + kIsoFiles);
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_NE(track_.flags & track_flags::kUdf, 0u);
    const CopyOutcome outcome = Copy({track_.root}, folder_ / "ours");
    EXPECT_TRUE(outcome.problems.empty()) << outcome.problems.front();
    EXPECT_EQ(outcome.files, 4u);
    EXPECT_EQ(Tree(folder_ / "ours"), Tree(built_.folder));
}

TEST_F(FileCopy, TrackImageHoldsTheBinsBytes) {
    if (!ReadIsoDisc()) {
        return;
    }
    const std::string bin = Bytes(built_.bins.front());
    const std::int64_t blocks = track_.end - track_.start;
    ASSERT_EQ(bin.size(), static_cast<std::size_t>(blocks) * kRawSector);

    const CopyOutcome raw = CopyBlocksToImage(*device_, {track_.start, blocks, true, false},
                                              folder_ / "raw.img", settings_, answers_);
    EXPECT_EQ(raw.files, 1u);
    EXPECT_TRUE(Bytes(folder_ / "raw.img") == bin) << "raw sectors are the BIN's";

    const CopyOutcome cooked = CopyBlocksToImage(*device_, {track_.start + 16, 4, false, false},
                                                 folder_ / "cooked.img", settings_, answers_);
    EXPECT_EQ(cooked.files, 1u);
    std::string expected;
    for (std::size_t block = 16; block < 20; ++block) {
        expected += bin.substr(block * kRawSector + kMode1Data, 2048);
    }
    EXPECT_TRUE(Bytes(folder_ / "cooked.img") == expected);
}

TEST_F(FileCopy, AudioTrackImageHoldsTheBinsBytes) {
    auto built = testing::BuildDisc("[disc]\nname = audio\nlayout = audio\n[audio]\nlength = 40\n",
                                    folder_ / "audio.recipe", folder_ / "audio");
    ASSERT_TRUE(built) << "mkdisc failed";
    device_ = testing::EmulatedDevice(built->descriptor);
    ASSERT_TRUE(device_->FindFirst());
    ASSERT_TRUE(device_->Open());
    const mkdisc::TrackPlacement& placed = built->plan.tracks.front();
    const std::string bin = Bytes(built->bins.front());
    const std::size_t skipped = std::size_t(placed.start - placed.storedFrom) * kRawSector;
    ASSERT_GE(bin.size(), skipped + 40 * kRawSector);

    const CopyOutcome outcome = CopyBlocksToImage(*device_, {placed.start, 40, true, true},
                                                  folder_ / "audio.raw", settings_, answers_);
    EXPECT_EQ(outcome.files, 1u);
    EXPECT_TRUE(Bytes(folder_ / "audio.raw") == bin.substr(skipped, 40 * kRawSector));
}

class UnreadableBlock : public FileCopy {
protected:
    // The disc with the second block of docs/Manual.pdf unreadable; the
    // file's bytes as xorriso extracts them from the undamaged BIN.
    void SetUp() override {
        FileCopy::SetUp();
        if (!ReadIsoDisc()) {
            return;
        }
        bad_ = Node("docs/Manual.pdf")->startBlock + 1;
        FreeFileTree(track_.root);
        track_ = {};
        if (!ReadIsoDisc("hard = " + std::to_string(bad_))) {
            return;
        }
        manual_ = Node("docs/Manual.pdf");
        expected_ = Bytes(XorrisoExtract() / "docs/Manual.pdf");
        expected_.replace(2048, 2048, std::string(2048, '\0'));
    }

    std::int32_t bad_ = 0;
    const FileNode* manual_ = nullptr;
    std::string expected_;
};

TEST_F(UnreadableBlock, AcceptErrorsWritesZerosAndListsTheBlock) {
    settings_.acceptErrors = true;
    const CopyOutcome outcome = Copy({Node("docs")}, folder_ / "ours");
    EXPECT_TRUE(answers_.readAsked.empty()) << "nothing asked";
    EXPECT_EQ(outcome.lost, (std::vector<LostBlock>{{"docs/Manual.pdf", bad_}}));
    EXPECT_TRUE(Bytes(folder_ / "ours/docs/Manual.pdf") == expected_);
    EXPECT_FALSE(outcome.stopped);
}

TEST_F(UnreadableBlock, WithoutAcceptErrorsTheUserRetriesSkipsOrStops) {
    answers_.readAnswers = {ReadErrorChoice::Retry, ReadErrorChoice::Skip};
    const CopyOutcome skipped = Copy({manual_}, folder_ / "skip");
    EXPECT_EQ(answers_.readAsked,
              (std::vector<LostBlock>{{"Manual.pdf", bad_}, {"Manual.pdf", bad_}}));
    EXPECT_EQ(skipped.lost, (std::vector<LostBlock>{{"Manual.pdf", bad_}}));
    EXPECT_TRUE(Bytes(folder_ / "skip/Manual.pdf") == expected_);

    answers_.readAnswers = {ReadErrorChoice::Stop};
    const CopyOutcome stopped = Copy({manual_}, folder_ / "stop");
    EXPECT_TRUE(stopped.stopped);
    EXPECT_TRUE(stopped.lost.empty());
    EXPECT_TRUE(fs::is_empty(folder_ / "stop")) << "no file, whole or half-written";
}

TEST_F(FileCopy, CancelLeavesNoHalfWrittenFile) {
    if (!ReadIsoDisc()) {
        return;
    }
    answers_.cancelAtCall = 3;
    const CopyOutcome outcome = Copy({Node("docs/Manual.pdf")}, folder_ / "ours");
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.files, 0u);
    EXPECT_TRUE(fs::is_empty(folder_ / "ours"));
}

TEST_F(FileCopy, CopyPromptAsksBeforeReplacingAFile) {
    if (!ReadIsoDisc()) {
        return;
    }
    const fs::path existing = folder_.write("ours/README.TXT", "mine");
    settings_.promptOverwrite = true;
    Copy({Node("README.TXT")}, folder_ / "ours");
    EXPECT_EQ(answers_.overwriteAsked, std::vector<fs::path>{existing});
    EXPECT_EQ(Bytes(existing), "mine");

    answers_.overwriteAnswer = true;
    Copy({Node("README.TXT")}, folder_ / "ours");
    EXPECT_EQ(Bytes(existing), "Read me\n");

    settings_.promptOverwrite = false;
    answers_.overwriteAsked.clear();
    folder_.write("ours/README.TXT", "mine");
    Copy({Node("README.TXT")}, folder_ / "ours");
    EXPECT_TRUE(answers_.overwriteAsked.empty());
    EXPECT_EQ(Bytes(existing), "Read me\n");
}

// Names a damaged or hostile disc may record: nothing lands outside the
// chosen folder, whatever the names say.
TEST_F(FileCopy, DotDotNamesStayInsideTheFolder) {
    TrackInfo track;
    track.flags = track_flags::kIso9660;
    char rootName[] = "\\ ROOT (Session 1)";
    char upName[] = "..";
    char escapeName[] = "../../escape";
    char dotName[] = ".";
    FileNode root, up, escape, dot;
    for (FileNode* node : {&root, &up, &escape, &dot}) {
        node->track = &track;
        node->startBlock = 30;
    }
    root.name = rootName;
    root.flags = node_flags::kDirectory;
    root.firstChild = &up;
    up.name = upName;
    up.flags = node_flags::kDirectory;
    up.parent = &root;
    up.firstChild = &escape;
    up.next = &dot;
    escape.name = escapeName;
    escape.parent = &up;
    dot.name = dotName;
    dot.parent = &root;

    const fs::path into = folder_ / "a" / "b";
    fs::create_directories(into);
    auto device = testing::EmulatedDevice(folder_ / "none.iso");
    const CopyOutcome outcome = CopyNodes(*device, {&root}, into, settings_, answers_);
    EXPECT_TRUE(outcome.problems.empty()) << outcome.problems.front();
    EXPECT_EQ(outcome.files, 2u);
    EXPECT_TRUE(fs::is_regular_file(into / "_.." / ".._.._escape"));
    EXPECT_TRUE(fs::is_regular_file(into / "_."));
    EXPECT_EQ(Tree(folder_ / "a").size(), 4u) << "b, its folder and its two files only";
}

}  // namespace
}  // namespace kel::diag
