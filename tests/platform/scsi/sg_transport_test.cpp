#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/scsi/sg_transport.h"

namespace kel::scsi {
namespace {

// No CD drive on the build machines: these check that opening anything that
// is not one fails with an error a user can act on.
class SgOpen : public testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("kel_sg_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(SgOpen, MissingPathNamesPathAndErrno) {
    const std::string path = (folder_ / "sr9").string();
    TransportError error;
    EXPECT_EQ(openSgTransport(path, error), nullptr);
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_NE(error.text.find(path), std::string::npos) << error.text;
    EXPECT_NE(error.text.find(std::strerror(ENOENT)), std::string::npos) << error.text;
}

TEST_F(SgOpen, RegularFileIsNotAScsiDevice) {
    const std::string path = (folder_ / "image.bin").string();
    std::ofstream(path) << "not a drive";
    TransportError error;
    EXPECT_EQ(openSgTransport(path, error), nullptr);
    EXPECT_EQ(error.code, ENOTTY);
    EXPECT_NE(error.text.find("not a SCSI device"), std::string::npos) << error.text;
    EXPECT_NE(error.text.find(path), std::string::npos) << error.text;
}

TEST_F(SgOpen, CharacterDeviceWithoutSgIsRefused) {
    TransportError error;
    EXPECT_EQ(openSgTransport("/dev/null", error), nullptr);
    EXPECT_EQ(error.code, ENOTTY);
    EXPECT_NE(error.text.find("/dev/null"), std::string::npos) << error.text;
}

TEST_F(SgOpen, DirectoryIsRefused) {
    TransportError error;
    EXPECT_EQ(openSgTransport(folder_.string(), error), nullptr);
    EXPECT_NE(error.code, 0);
    EXPECT_NE(error.text.find(folder_.string()), std::string::npos) << error.text;
}

// Runs only where a drive is present and named in KEL_TEST_SG_DEVICE.
TEST(SgDrive, TestUnitReadyComesBack) {
    const char* device = std::getenv("KEL_TEST_SG_DEVICE");
    if (!device) {
        GTEST_SKIP() << "no drive: set KEL_TEST_SG_DEVICE=/dev/sr0 to run against one";
    }
    TransportError error;
    auto transport = openSgTransport(device, error);
    ASSERT_NE(transport, nullptr) << error.text;
    const std::uint8_t cdb[6] = {};
    const Result result =
        transport->execute(cdb, Direction::None, {}, std::chrono::milliseconds(10000));
    EXPECT_FALSE(result.transportFailed()) << result.error.text;
    if (result.checkCondition()) {
        EXPECT_NE(result.sense.bytes[0] & 0x7E, 0) << "CHECK CONDITION without fixed sense";
    }
}

}  // namespace
}  // namespace kel::scsi
