// The reader against discs that real tools made, read through the emulated
// drive: a UDF bridge disc with files (genisoimage -udf), compared with the
// files put in, and the three empty layouts of mkudffs (plain, VAT,
// sparable); each compared with what udfinfo reads from the same sectors.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/device/drive_access.h"
#include "diag/device/spti_device.h"
#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/state/options.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

using kel::test::haveProgram;

class UdfEmulated : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveProgram("genisoimage") || !haveProgram("mkudffs") || !haveProgram("udfinfo")) {
            GTEST_SKIP() << "genisoimage and udftools (mkudffs, udfinfo) are needed";
        }
        fs::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetDatabaseFileName({});
        SetMessageResponder([](int, std::uint16_t, const std::string&) { return answer::kOk; });
        Options() = OptionsBlock{};
    }
    void TearDown() override {
        FreeFileTree(track_.root);
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
        ::unsetenv("KEL_RUNTIME_DIR");
    }

    // Builds the disc, opens it in an emulated drive and makes the track
    // records the disc scan would: one data track and the lead-out.
    void load(const std::string& recipeText, bool packet) {
        auto built = testing::BuildDisc(recipeText, folder_ / "disc.recipe", folder_ / "out");
        ASSERT_TRUE(built) << "mkdisc failed";
        disc_ = std::move(*built);

        device_ = testing::EmulatedDevice(disc_.descriptor);
        device_->messageCallback = [](const DeviceMessage&) { return MessageAnswer::Ok; };
        device_->profile->errorCallback = device_->messageCallback;
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
        SetCurrentDevice(device_.get());

        testing::RecordFirstTrack(disc_, packet ? 0x15 : 0x14, track_, &leadOut_);
        track_.flags = packet ? track_flags::kPacket : 0;
    }

    // udfinfo's reading of the track's user data, key by key.
    std::map<std::string, std::string> udfinfo() {
        const fs::path image = folder_ / "user-data.img";
        {
            std::ofstream out(image, std::ios::binary);
            std::array<std::uint8_t, 2048> block{};
            for (std::int32_t b = track_.start; b < disc_.plan.tracks.at(0).dataEnd; ++b) {
                if (!device_->ReadSectors(static_cast<std::uint32_t>(b), block, 1)) {
                    block.fill(0);
                }
                out.write(reinterpret_cast<const char*>(block.data()), block.size());
            }
        }
        std::map<std::string, std::string> values;
        FILE* pipe = ::popen(("udfinfo '" + image.string() + "' 2>/dev/null").c_str(), "r");
        if (pipe == nullptr) {
            return values;
        }
        char line[512];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            std::string text(line);
            text.erase(text.find_last_not_of("\r\n") + 1);
            const auto equals = text.find('=');
            if (equals == std::string::npos) {
                continue;
            }
            const std::string key = text.substr(0, equals);
            // The layout lines: "start=N, blocks=N, type=T", one per area.
            const auto type = text.find("type=");
            if (key == "start" && type != std::string::npos) {
                values["area:" + text.substr(type + 5)] = text.substr(6, text.find(',') - 6);
            } else {
                values[key] = text.substr(equals + 1);
            }
        }
        ::pclose(pipe);
        return values;
    }

    const FileNode* find(const fs::path& relative) const {
        const FileNode* at = track_.root;
        for (const auto& part : relative) {
            const FileNode* node = at ? at->firstChild : nullptr;
            while (node != nullptr && part.string() != node->name) {
                node = node->next;
            }
            at = node;
        }
        return at;
    }

    std::string readFile(FileNode& node) {
        std::array<std::uint8_t, 2048> block{};
        EXPECT_TRUE(InitUDFAccess(node, block));
        std::string data;
        while (data.size() < node.size) {
            if (ReadUdfFileBlock(node, block) != 1) {
                break;
            }
            data.append(reinterpret_cast<const char*>(block.data()), block.size());
        }
        data.resize(std::min<std::size_t>(data.size(), node.size));
        return data;
    }

    test::TempFolder folder_;
    mkdisc::BuiltDisc disc_;
    std::unique_ptr<SptiDevice> device_;
    TrackInfo track_;
    TrackInfo leadOut_;
    std::array<std::uint8_t, 2048> buffer_{};
};

TEST_F(UdfEmulated, BridgeDiscHoldsTheFilesPutIn) {
    load(
        "[disc]\nname = bridge\n[data]\nfilesystem = udf-bridge\nvolume-id = KELBRIDGE\n"
        "file = README.TXT text=hello from the bridge\nfile = SUB/DATA.BIN size=100000\n"
        "file = SUB/DEEP/A.TXT text=deep\ndir = EMPTY\n",
        false);
    // The ISO 9660 reader has seen the primary descriptor before it asks.
    track_.flags |= track_flags::kIso9660;
    ASSERT_TRUE(ReadUdfVolume(track_, buffer_));
    EXPECT_EQ(track_.flags & (track_flags::kUdf | track_flags::kIso9660), track_flags::kUdf);

    const auto info = udfinfo();
    ASSERT_FALSE(info.empty()) << "udfinfo read nothing";
    EXPECT_EQ(std::string(track_.root->name), "\\ " + info.at("label") + " (Session 1)");
    EXPECT_EQ(std::to_string(track_.partitionStart), info.at("area:PSPACE"));

    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(disc_.folder)) {
        const fs::path relative = fs::relative(entry.path(), disc_.folder);
        const FileNode* node = find(relative);
        ASSERT_NE(node, nullptr) << relative;
        EXPECT_EQ(node->flags & ~udf_node_flags::kNotOneExtent,
                  entry.is_directory() ? node_flags::kDirectory : 0)
            << relative;
        if (entry.is_regular_file()) {
            ++files;
            EXPECT_EQ(node->size, fs::file_size(entry.path())) << relative;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string expected{std::istreambuf_iterator<char>(in), {}};
            EXPECT_EQ(readFile(const_cast<FileNode&>(*node)), expected) << relative;
        }
    }
    EXPECT_EQ(files, 3);
    EXPECT_EQ(track_.root->count, 6u) << "three files and three folders";
}

TEST_F(UdfEmulated, PlainVolumeOfMkudffs) {
    load("[disc]\nname = plain\n[data]\nfilesystem = udf\nvolume-id = KELPLAIN\n", false);
    ASSERT_TRUE(ReadUdfVolume(track_, buffer_));
    const auto info = udfinfo();
    ASSERT_FALSE(info.empty());
    EXPECT_EQ(std::string(track_.root->name), "\\ " + info.at("label") + " (Session 1)");
    EXPECT_EQ(std::to_string(track_.partitionStart), info.at("area:PSPACE"));
    // An overwritable partition without a VAT is read as a plain one; its
    // root, an extended file entry of UDF 2.01, is read like a plain one.
    EXPECT_EQ(track_.flags & track_flags::kUdfAllocationNotFound, 0u);
    EXPECT_GT(track_.root->startBlock, track_.partitionStart);
    EXPECT_EQ(track_.root->firstChild, nullptr) << "mkudffs formats an empty volume";
    EXPECT_EQ(track_.udfStatus, 0);
}

TEST_F(UdfEmulated, VatVolumeOfMkudffs) {
    load(
        "[disc]\nname = vat\nmedium = cd-r\nwrite-method = packet\n[data]\nfilesystem = udf-vat\n"
        "volume-id = KELVAT\n",
        true);
    ASSERT_TRUE(ReadUdfVolume(track_, buffer_));
    const auto info = udfinfo();
    ASSERT_FALSE(info.empty());
    EXPECT_EQ(std::string(track_.root->name), "\\ " + info.at("label") + " (Session 1)");
    EXPECT_EQ(std::to_string(track_.partitionStart), info.at("area:PSPACE"));
    // mkudffs records its VAT in an extended file entry; it is found where
    // udfinfo finds it, and the file set and the root are reached through
    // it. The root of a freshly formatted volume holds nothing, which is no
    // damage: no earlier VAT is sought and the tree stays.
    ASSERT_NE(info.at("vatblock"), "");
    EXPECT_EQ(std::to_string(udf::State().rememberedVatBlock - track_.start), info.at("vatblock"));
    EXPECT_EQ(track_.flags & (track_flags::kUdfAllocationNotFound |
                              udf_track_flags::kEarlierVatRetry | track_flags::kUdfVatBySearch),
              0u);
    EXPECT_EQ(track_.udfStatus, 0);
    EXPECT_GT(track_.root->startBlock, track_.partitionStart);
    EXPECT_LT(track_.root->startBlock, udf::State().rememberedVatBlock);
    // udfinfo counts the root among the folders.
    const std::uint32_t entries = static_cast<std::uint32_t>(std::stoul(info.at("numfiles")) +
                                                             std::stoul(info.at("numdirs")));
    EXPECT_EQ(track_.root->count + 1, entries);
    EXPECT_EQ(track_.root->firstChild, nullptr) << "mkudffs formats an empty volume";
}

TEST_F(UdfEmulated, SparableVolumeOfMkudffs) {
    load(
        "[disc]\nname = rw\nmedium = cd-rw\nwrite-method = packet\n[data]\n"
        "filesystem = udf-sparable\nvolume-id = KELRW\nmin-size = 8192\n",
        true);
    ASSERT_TRUE(ReadUdfVolume(track_, buffer_));
    const auto info = udfinfo();
    ASSERT_FALSE(info.empty());
    EXPECT_EQ(std::string(track_.root->name), "\\ " + info.at("label") + " (Session 1)");
    EXPECT_EQ(std::to_string(track_.partitionStart), info.at("area:PSPACE"));
    EXPECT_NE(track_.flags & udf_track_flags::kSparableMap, 0u);
    EXPECT_EQ(track_.flags & track_flags::kUdfSparableWithoutTable, 0u) << "the table was loaded";
}

}  // namespace
}  // namespace kel::diag
