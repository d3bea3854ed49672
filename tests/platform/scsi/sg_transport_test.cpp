#include <gtest/gtest.h>

#include <scsi/sg.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "platform/scsi/sg_transport.h"
#include "platform/scsi/transfer_length.h"

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

// The kernel's side of SG_IO played by the test: it keeps the request as
// the transport built it and answers with the status, host and driver
// bytes, sense and residual the test gives.
struct KernelReply {
    int returned = 0;
    int error = 0;
    unsigned char status = 0;
    unsigned short host = 0;
    unsigned short driver = 0;
    std::vector<std::uint8_t> sense;
    int resid = 0;
};

class SgRequest : public testing::Test {
protected:
    Result send(std::vector<std::uint8_t> cdb, Direction direction, std::size_t bufferBytes,
                std::chrono::milliseconds timeout = std::chrono::milliseconds(30000)) {
        cdb_ = std::move(cdb);
        buffer_.assign(bufferBytes, 0);
        calls_ = 0;
        return executeSgIo(
            [this](sg_io_hdr& io) {
                ++calls_;
                seen_ = io;
                seenCdb_.assign(io.cmdp, io.cmdp + io.cmd_len);
                io.status = reply_.status;
                io.host_status = reply_.host;
                io.driver_status = reply_.driver;
                std::copy_n(reply_.sense.begin(),
                            std::min<std::size_t>(reply_.sense.size(), io.mx_sb_len), io.sbp);
                io.sb_len_wr = static_cast<unsigned char>(reply_.sense.size());
                io.resid = reply_.resid;
                errno = reply_.error;
                return reply_.returned;
            },
            "/dev/sr7", cdb_, direction, buffer_, timeout);
    }

    KernelReply reply_;
    std::vector<std::uint8_t> cdb_;
    std::vector<std::uint8_t> buffer_;
    sg_io_hdr seen_{};
    std::vector<std::uint8_t> seenCdb_;
    int calls_ = 0;
};

TEST_F(SgRequest, TheRequestTheKernelGets) {
    const std::vector<std::uint8_t> read10 = {0x28, 0, 0, 0, 0, 16, 0, 0, 2, 0};
    EXPECT_TRUE(send(read10, Direction::In, 4096, std::chrono::milliseconds(7500)).ok());
    EXPECT_EQ(seen_.interface_id, 'S');
    EXPECT_EQ(seenCdb_, read10);
    EXPECT_EQ(seen_.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(seen_.dxfer_len, 4096u);
    EXPECT_EQ(seen_.dxferp, buffer_.data());
    EXPECT_EQ(seen_.timeout, 7500u);
    EXPECT_GT(seen_.mx_sb_len, 17) << "room for fixed sense";
    EXPECT_NE(seen_.sbp, nullptr);

    send({0x55, 0x10, 0, 0, 0, 0, 0, 0, 16, 0}, Direction::Out, 16);
    EXPECT_EQ(seen_.dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(seen_.dxfer_len, 16u);

    // No direction: no data, whatever buffer came along.
    send({0, 0, 0, 0, 0, 0}, Direction::None, 64);
    EXPECT_EQ(seen_.dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(seen_.dxfer_len, 0u);
    EXPECT_EQ(seen_.dxferp, nullptr);
    send({0x28, 0, 0, 0, 0, 16, 0, 0, 0, 0}, Direction::In, 0);
    EXPECT_EQ(seen_.dxfer_direction, SG_DXFER_NONE);

    send({0, 0, 0, 0, 0, 0}, Direction::None, 0, std::chrono::milliseconds(-5));
    EXPECT_EQ(seen_.timeout, 0u);
    send({0, 0, 0, 0, 0, 0}, Direction::None, 0, std::chrono::hours(24 * 365 * 200));
    EXPECT_EQ(seen_.timeout, std::numeric_limits<unsigned>::max());

    const Result refused = send({0, 0, 0, 0, 0, 0, 0}, Direction::None, 0);
    EXPECT_EQ(refused.error.code, EINVAL);
    EXPECT_NE(refused.error.text.find("/dev/sr7"), std::string::npos) << refused.error.text;
    EXPECT_EQ(calls_, 0) << "a malformed CDB never reaches the kernel";
}

TEST_F(SgRequest, TheKernelsAnswerAsAResult) {
    const std::vector<std::uint8_t> read10 = {0x28, 0, 0, 0, 0, 16, 0, 0, 2, 0};
    reply_.resid = 1000;
    Result result = send(read10, Direction::In, 4096);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.transferred, 3096u);
    reply_.resid = 1 << 20;
    EXPECT_EQ(send(read10, Direction::In, 4096).transferred, 0u) << "a residual past the buffer";
    reply_.resid = -8;
    EXPECT_EQ(send(read10, Direction::In, 4096).transferred, 4096u);

    // CHECK CONDITION with fixed sense, and with descriptor sense that
    // callers still read at the fixed offsets.
    reply_ = {};
    reply_.status = status::kCheckCondition;
    reply_.driver = 0x08;  // DRIVER_SENSE: the sense came along
    reply_.sense = {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x05, 0, 0, 0, 0};
    result = send(read10, Direction::In, 4096);
    EXPECT_TRUE(result.checkCondition());
    EXPECT_EQ(result.sense.key(), 3);
    EXPECT_EQ(result.sense.asc(), 0x11);
    EXPECT_EQ(result.sense.ascq(), 0x05);
    reply_.sense = {0x72, 0x05, 0x24, 0x00, 0, 0, 0, 0};
    result = send(read10, Direction::In, 4096);
    EXPECT_EQ(result.sense.key(), 5);
    EXPECT_EQ(result.sense.asc(), 0x24);

    // The host's and the driver's words, and the ioctl's own failure.
    reply_ = {};
    reply_.host = 0x03;  // DID_TIME_OUT
    result = send(read10, Direction::In, 4096);
    EXPECT_EQ(result.error.code, ETIMEDOUT);
    EXPECT_NE(result.error.text.find("/dev/sr7"), std::string::npos) << result.error.text;
    reply_ = {};
    reply_.driver = 0x07;  // DRIVER_HARD
    EXPECT_EQ(send(read10, Direction::In, 4096).error.code, EIO);
    reply_ = {};
    reply_.returned = -1;
    reply_.error = ENODEV;
    result = send(read10, Direction::In, 4096);
    EXPECT_EQ(result.error.code, ENODEV);
    EXPECT_NE(result.error.text.find("0x28"), std::string::npos) << result.error.text;
}

// The kernel cuts the data at the buffer and tells nothing of the rest:
// a full buffer shorter than what the command asks for is an overrun.
TEST_F(SgRequest, MoreAskedThanTheBufferHoldsIsAnOverrun) {
    const std::vector<std::uint8_t> inquiry36 = {0x12, 0, 0, 0, 36, 0};
    EXPECT_TRUE(send(inquiry36, Direction::In, 10).overrun);
    EXPECT_FALSE(send(inquiry36, Direction::In, 36).overrun);
    EXPECT_TRUE(send(inquiry36, Direction::None, 0).overrun) << "data and no buffer for it";
    reply_.resid = 4;
    EXPECT_FALSE(send(inquiry36, Direction::In, 10).overrun) << "the drive had less";
    reply_ = {};
    EXPECT_TRUE(send({0x28, 0, 0, 0, 0, 16, 0, 0, 2, 0}, Direction::In, 2048).overrun);
    EXPECT_FALSE(send({0x28, 0, 0, 0, 0, 16, 0, 0, 2, 0}, Direction::In, 4096).overrun);
    EXPECT_FALSE(send({0, 0, 0, 0, 0, 0}, Direction::None, 0).overrun);
    EXPECT_FALSE(send({0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, Direction::Out, 16).overrun);
    reply_.status = status::kCheckCondition;
    EXPECT_FALSE(send(inquiry36, Direction::In, 10).overrun) << "a failed command moved nothing";
}

TEST(PromisedDataIn, AllocationLengthsAndBlockCounts) {
    using Bytes = std::vector<std::uint8_t>;
    auto promised = [](Bytes cdb) { return promisedDataIn(cdb); };
    EXPECT_EQ(promised({0x12, 0, 0, 0x01, 0x00, 0}), 256u);
    EXPECT_EQ(promised({0x1A, 0, 0x3F, 0, 0xFF, 0}), 255u);
    EXPECT_EQ(promised({0x5A, 0, 0x3F, 0, 0, 0, 0, 0x04, 0x00, 0}), 1024u);
    EXPECT_EQ(promised({0x43, 0, 0, 0, 0, 0, 0, 0x40, 0x00, 0}), 16384u);
    EXPECT_EQ(promised({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 8u);
    EXPECT_EQ(promised({0xA8, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0}), 3u * 2048);
    // READ CD: user data and Q per block; raw sub-channel alone; C2 alone.
    EXPECT_EQ(promised({0xBE, 0, 0, 0, 0, 0, 0, 0, 2, 0x10, 0x02, 0}), 2u * (2048 + 16));
    EXPECT_EQ(promised({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x00, 0x01, 0}), 96u);
    EXPECT_EQ(promised({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x02, 0x00, 0}), 294u);
    // READ CD MSF from 00:02:00 to 00:02:04; an end before the start asks nothing.
    EXPECT_EQ(promised({0xB9, 0, 0, 0, 2, 0, 0, 2, 4, 0x10, 0, 0}), 4u * 2048);
    EXPECT_EQ(promised({0xB9, 0, 0, 0, 2, 4, 0, 2, 0, 0x10, 0, 0}), 0u);
    // Commands without data to the host, or whose length is unknown here.
    EXPECT_FALSE(promised({0x00, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(promised({0x1B, 0, 0, 0, 2, 0}));
    EXPECT_FALSE(promised({0xD8, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_FALSE(promised({0x28, 0, 0, 0, 0, 0}));
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
