// The manager as the program loads it from beside itself: a missing or
// broken file, a manager without drives, its version, and request blocks it
// must refuse.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "aspi_fixture.h"
#include "platform/aspi/completion_event.h"
#include "platform/aspi/manager_library.h"
#include "temp_folder.h"
#include "tests/support/held_drive_state.h"

namespace kel::diag {
namespace {

using testing::writeFile;

class AspiManager : public testing::AspiFixture {
protected:
    void SetUp() override {
        AspiFixture::SetUp();
        std::filesystem::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
    }
    void TearDown() override {
        UnloadAspi();
        ::unsetenv("KEL_DRIVES");
        ::unsetenv("KEL_RUNTIME_DIR");
        AspiFixture::TearDown();
    }
    // The one emulated drive D: on a small data disc.
    void configureOneDrive() {
        writeFile(folder_ / "disc.iso", std::string(300 * 2048, '\0'));
        ::setenv("KEL_DRIVES", ("D:=" + (folder_ / "disc.iso").string()).c_str(), 1);
    }
    bool load(const std::filesystem::path& file = DefaultAspiManager()) {
        return LoadAspi(testing::senseTable(), recordMessage(), file);
    }
    std::string shownText() const {
        return messages_.empty() ? "" : std::get<std::string>(messages_.at(0).args.at(0));
    }
    std::uint32_t send(void* block) { return LoadedAspi()->manager.SendASPI32Command(block); }
};

TEST_F(AspiManager, MissingOrBrokenFilesAreReportedNotCalled) {
    EXPECT_FALSE(load(folder_ / "libwnaspi32.so"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3004);
    EXPECT_NE(shownText().find("No such file"), std::string::npos) << shownText();
    EXPECT_EQ(shownText().find('\n'), std::string::npos);

    messages_.clear();
    writeFile(folder_ / "garbage.so", "this is no library");
    EXPECT_FALSE(load(folder_ / "garbage.so"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3004);

    messages_.clear();
    EXPECT_FALSE(load(DefaultAspiManager().parent_path() / "libaspi_broken_manager.so"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3004);
    EXPECT_NE(shownText().find("SendASPI32Command"), std::string::npos) << shownText();
    EXPECT_FALSE(LoadedAspi());
}

TEST_F(AspiManager, ManagerWithoutDrivesHasNoDevices) {
    ::setenv("KEL_DRIVES", "", 1);
    EXPECT_FALSE(load());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3005);
    EXPECT_EQ(shownText(),
              "There are no devices available to ASPI.  Could a CD drive be disconnected?");
    EXPECT_FALSE(LoadedAspi());
}

TEST_F(AspiManager, InterfaceNameCarriesTheManagerVersion) {
    configureOneDrive();
    ASSERT_TRUE(load());
    EXPECT_EQ(AspiDevice(LoadedAspi()).InterfaceName(), "libwnaspi32.so - 1.0.0.0");
    UnloadAspi();
    // The same manager under a name without a version.
    std::filesystem::create_directories(folder_ / "plain");
    std::filesystem::copy_file(std::filesystem::canonical(DefaultAspiManager()),
                               folder_ / "plain" / "libwnaspi32.so");
    ASSERT_TRUE(load(folder_ / "plain" / "libwnaspi32.so"));
    EXPECT_EQ(AspiDevice(LoadedAspi()).InterfaceName(), "*** Unknown ***");
}

TEST_F(AspiManager, ForcedAspiLoadsTheManagerBesideTheProgram) {
    configureOneDrive();
    RegistryKey key;
    ASSERT_TRUE(key.Open());
    key.WriteDword("UseASPIOnly", 1);
    ASSERT_TRUE(InitDeviceAccess(testing::senseTable(), recordMessage()));
    EXPECT_EQ(SelectedAccessInterface(), AccessInterface::Aspi);
    std::unique_ptr<CdDevice> device = CreateDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->InterfaceName(), "libwnaspi32.so - 1.0.0.0");
    EXPECT_TRUE(device->FindFirst());
    EXPECT_EQ(device->AddressName(), "0:0");
    device.reset();
    ShutdownDeviceAccess();
    EXPECT_FALSE(LoadedAspi());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AspiManager, LibraryVersionFromTheFileName) {
    using Version = std::array<std::uint16_t, 4>;
    EXPECT_EQ(aspi::libraryVersion("libx.so.4.60.1021.7"), (Version{4, 60, 1021, 7}));
    EXPECT_EQ(aspi::libraryVersion("libx.so.2"), (Version{2, 0, 0, 0}));
    EXPECT_FALSE(aspi::libraryVersion("libx.so"));
    EXPECT_FALSE(aspi::libraryVersion("libx.so.1.x"));
    EXPECT_FALSE(aspi::libraryVersion("libx.so.70000"));
    EXPECT_FALSE(aspi::libraryVersion("libx.so.1.2.3.4.5"));
}

// The emulated drive says when it had more than the block's buffer held;
// the manager ends such a block with its own host adapter status.
TEST_F(AspiManager, ADriveWithMoreDataThanTheBufferIsAnOverrun) {
    configureOneDrive();
    ASSERT_TRUE(load());
    std::uint8_t data[2048];
    auto block = [&](std::initializer_list<std::uint8_t> cdb, std::uint8_t flags,
                     std::uint32_t length) {
        auto srb = aspi::makeRequest<aspi::SrbExecScsiCmd>(aspi::SC_EXEC_SCSI_CMD, 0);
        srb.head.SRB_Flags = flags;
        srb.SRB_CDBLen = static_cast<std::uint8_t>(cdb.size());
        srb.SRB_SenseLen = 14;
        srb.SRB_BufLen = length;
        srb.SRB_BufPointer = length ? data : nullptr;
        std::copy(cdb.begin(), cdb.end(), srb.CDBByte);
        return srb;
    };
    struct Case {
        aspi::SrbExecScsiCmd srb;
        std::uint32_t transferred;
    };
    Case cases[] = {
        {block({0x12, 0, 0, 0, 36, 0}, aspi::SRB_DIR_IN, 10), 10},
        {block({0x28, 0, 0, 0, 0, 16, 0, 0, 2, 0}, aspi::SRB_DIR_IN, 2048), 2048},
        {block({0x12, 0, 0, 0, 36, 0}, 0, 0), 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.srb.CDBByte[0]));
        EXPECT_EQ(send(&c.srb), aspi::SS_ERR);
        EXPECT_EQ(c.srb.SRB_HaStat, aspi::HASTAT_DO_DU);
        EXPECT_EQ(c.srb.SRB_TargStat, 0);
        EXPECT_EQ(c.srb.SRB_Transferred, c.transferred);
    }
    aspi::SrbExecScsiCmd whole = block({0x12, 0, 0, 0, 36, 0}, aspi::SRB_DIR_IN, 36);
    EXPECT_EQ(send(&whole), aspi::SS_COMP);
    EXPECT_EQ(whole.SRB_Transferred, 36u);
}

// A drive that another process holds holds up only its own target; its
// block, sent again while still pending, is refused and left alone.
TEST_F(AspiManager, AHeldDriveHoldsUpOnlyItsOwnTarget) {
    writeFile(folder_ / "d.iso", std::string(300 * 2048, '\0'));
    writeFile(folder_ / "e.iso", std::string(300 * 2048, '\0'));
    ::setenv("KEL_DRIVES",
             ("D:=" + (folder_ / "d.iso").string() + ";E:=" + (folder_ / "e.iso").string()).c_str(),
             1);
    ASSERT_TRUE(load());
    std::uint8_t data[2][2048];
    aspi::CompletionEvent events[2];
    auto read = [&](std::uint8_t target, std::uint8_t flags) {
        auto srb = aspi::makeRequest<aspi::SrbExecScsiCmd>(aspi::SC_EXEC_SCSI_CMD, 0);
        srb.head.SRB_Flags = flags;
        srb.SRB_Target = target;
        srb.SRB_CDBLen = 10;
        srb.SRB_SenseLen = 14;
        srb.SRB_BufLen = sizeof data[target];
        srb.SRB_BufPointer = data[target];
        srb.SRB_PostProc = events[target].handle();
        const std::uint8_t cdb[10] = {0x28, 0, 0, 0, 0, 16, 0, 0, 1, 0};
        std::copy(std::begin(cdb), std::end(cdb), srb.CDBByte);
        return srb;
    };
    auto status = [](aspi::SrbExecScsiCmd& srb) {
        return std::atomic_ref<std::uint8_t>(srb.head.SRB_Status).load();
    };
    for (std::uint8_t target : {0, 1}) {
        auto first = read(target, aspi::SRB_DIR_IN);
        ASSERT_EQ(send(&first), aspi::SS_COMP) << "the drive is open and has its state";
    }
    test::HeldDriveState held(folder_ / "d.iso");
    ASSERT_EQ(held.error(), "");
    const std::uint8_t posted = aspi::SRB_DIR_IN | aspi::SRB_EVENT_NOTIFY;
    auto stuck = read(0, posted);
    auto other = read(1, posted);
    EXPECT_EQ(send(&stuck), aspi::SS_PENDING);
    EXPECT_EQ(send(&other), aspi::SS_PENDING);
    ASSERT_TRUE(events[1].wait(std::chrono::seconds(10))) << "held up by the other drive";
    EXPECT_EQ(status(other), aspi::SS_COMP);
    EXPECT_EQ(status(stuck), aspi::SS_PENDING);
    EXPECT_EQ(send(&stuck), aspi::SS_BAD_REQUEST) << "sent again while pending";
    EXPECT_EQ(status(stuck), aspi::SS_PENDING);
    held.release();
    ASSERT_TRUE(events[0].wait(std::chrono::seconds(10)));
    EXPECT_EQ(status(stuck), aspi::SS_COMP);
}

TEST_F(AspiManager, BadRequestBlocksAreRefusedWithAStatus) {
    configureOneDrive();
    ASSERT_TRUE(load());
    EXPECT_EQ(send(nullptr), aspi::SS_BAD_REQUEST);

    auto inquiry = aspi::makeRequest<aspi::SrbHaInquiry>(aspi::SC_HA_INQUIRY, 0);
    EXPECT_EQ(send(&inquiry), aspi::SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 1);
    EXPECT_EQ(inquiry.HA_Unique[3], 8);
    inquiry.head.SRB_HaId = 1;
    EXPECT_EQ(send(&inquiry), aspi::SS_NO_SUCH_ADAPTER);

    auto type = aspi::makeRequest<aspi::SrbGetDevType>(aspi::SC_GET_DEV_TYPE, 0);
    EXPECT_EQ(send(&type), aspi::SS_COMP);
    EXPECT_EQ(type.SRB_DeviceType, aspi::kCdRomDevice);
    type.SRB_Target = 1;
    EXPECT_EQ(send(&type), aspi::SS_NO_SUCH_DEVICE);
    type.SRB_Target = 200;
    EXPECT_EQ(send(&type), aspi::SS_NO_SUCH_DEVICE);
    type.SRB_Target = 0;
    type.SRB_Lun = 1;
    EXPECT_EQ(send(&type), aspi::SS_NO_SUCH_DEVICE);
    type.SRB_Lun = 0;
    type.head.SRB_Length = sizeof(aspi::SrbExecScsiCmd);
    EXPECT_EQ(send(&type), aspi::SS_BAD_REQUEST) << "a block longer than its kind";
    EXPECT_EQ(type.head.SRB_Status, aspi::SS_BAD_REQUEST);

    std::uint8_t data[2048];
    auto good = aspi::makeRequest<aspi::SrbExecScsiCmd>(aspi::SC_EXEC_SCSI_CMD, 0);
    good.head.SRB_Flags = aspi::SRB_DIR_IN;
    good.SRB_CDBLen = 10;
    good.SRB_SenseLen = 14;
    good.SRB_BufLen = sizeof data;
    good.SRB_BufPointer = data;
    good.CDBByte[0] = 0x28;
    good.CDBByte[8] = 1;
    EXPECT_EQ(send(&good), aspi::SS_COMP) << "not posted: carried out at once";
    EXPECT_EQ(good.SRB_Transferred, 2048u);

    auto refused = [&](auto change) {
        aspi::SrbExecScsiCmd block = good;
        change(block);
        return send(&block);
    };
    using Block = aspi::SrbExecScsiCmd;
    EXPECT_EQ(refused([](Block& b) { b.head.SRB_Length -= 1; }), aspi::SS_BAD_REQUEST);
    EXPECT_EQ(refused([](Block& b) { b.SRB_CDBLen = 7; }), aspi::SS_BAD_REQUEST);
    EXPECT_EQ(refused([](Block& b) { b.SRB_CDBLen = 40; }), aspi::SS_BAD_REQUEST);
    EXPECT_EQ(refused([](Block& b) { b.SRB_SenseLen = 200; }), aspi::SS_BAD_REQUEST);
    EXPECT_EQ(refused([](Block& b) { b.SRB_BufPointer = nullptr; }), aspi::SS_BAD_REQUEST);
    EXPECT_EQ(refused([](Block& b) { b.head.SRB_Flags |= aspi::SRB_DIR_OUT; }),
              aspi::SS_BAD_REQUEST);
    EXPECT_EQ(refused([](Block& b) {
                  b.head.SRB_Flags |= aspi::SRB_EVENT_NOTIFY;
                  b.SRB_PostProc = -1;
              }),
              aspi::SS_BAD_REQUEST);
    EXPECT_EQ(refused([](Block& b) { b.SRB_Target = 9; }), aspi::SS_NO_SUCH_DEVICE);
    EXPECT_EQ(refused([](Block& b) { b.head.SRB_HaId = 3; }), aspi::SS_NO_SUCH_ADAPTER);
    EXPECT_EQ(refused([](Block& b) { b.head.SRB_Cmd = 0x33; }), aspi::SS_BAD_REQUEST);

    auto reset = aspi::makeRequest<aspi::SrbResetDev>(aspi::SC_RESET_DEV, 0);
    EXPECT_EQ(send(&reset), aspi::SS_COMP);
    reset.SRB_Target = 20;
    EXPECT_EQ(send(&reset), aspi::SS_NO_SUCH_DEVICE);
}

}  // namespace
}  // namespace kel::diag
