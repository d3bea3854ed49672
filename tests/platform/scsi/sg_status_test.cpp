#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/scsi/sg_status.h"

namespace kel::scsi {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(SgStatus, IoctlErrorsKeepErrnoAndText) {
    const TransportError denied = sgIoctlError(EPERM, 0x55, "/dev/sr0");
    EXPECT_EQ(denied.code, EPERM);
    EXPECT_TRUE(contains(denied.text, "/dev/sr0")) << denied.text;
    EXPECT_TRUE(contains(denied.text, "0x55")) << denied.text;
    EXPECT_TRUE(contains(denied.text, std::strerror(EPERM))) << denied.text;
    EXPECT_TRUE(contains(denied.text, "refused this opcode")) << denied.text;
    EXPECT_EQ(sgIoctlError(EACCES, 0x55, "/dev/sr0").code, EACCES);
    EXPECT_TRUE(contains(sgIoctlError(EACCES, 0x55, "/dev/sr0").text, "refused this opcode"));

    const TransportError gone = sgIoctlError(ENODEV, 0x28, "/dev/sg1");
    EXPECT_EQ(gone.code, ENODEV);
    EXPECT_TRUE(contains(gone.text, std::strerror(ENODEV))) << gone.text;
    EXPECT_FALSE(contains(gone.text, "refused this opcode")) << gone.text;
}

TEST(SgStatus, HostStatusIsATransportError) {
    struct Case {
        std::uint16_t host;
        int code;
        const char* name;
    };
    for (const Case& c : {Case{0x03, ETIMEDOUT, "DID_TIME_OUT"},
                          Case{0x01, ENODEV, "DID_NO_CONNECT"}, Case{0x02, EBUSY, "DID_BUS_BUSY"},
                          Case{0x07, EIO, "DID_ERROR"}, Case{0x77, EIO, "unknown"}}) {
        const TransportError error = sgCompletionError(c.host, 0, 0x28, "/dev/sr0");
        EXPECT_EQ(error.code, c.code) << c.name;
        EXPECT_TRUE(contains(error.text, c.name)) << error.text;
        EXPECT_TRUE(contains(error.text, std::strerror(c.code))) << error.text;
    }
    // The host's word wins over the driver's.
    EXPECT_EQ(sgCompletionError(0x03, 0x04, 0x28, "/dev/sr0").code, ETIMEDOUT);
}

TEST(SgStatus, DriverStatusOnlyFailsBeyondSense) {
    EXPECT_EQ(sgCompletionError(0, 0, 0x28, "/dev/sr0").code, 0);
    EXPECT_EQ(sgCompletionError(0, 0x08, 0x28, "/dev/sr0").code, 0);  // DRIVER_SENSE
    EXPECT_EQ(sgCompletionError(0, 0x28, 0x28, "/dev/sr0").code, 0);  // with a suggestion nibble
    EXPECT_EQ(sgCompletionError(0, 0x06, 0x28, "/dev/sr0").code, ETIMEDOUT);
    const TransportError hard = sgCompletionError(0, 0x07, 0xBE, "/dev/sg2");
    EXPECT_EQ(hard.code, EIO);
    EXPECT_TRUE(contains(hard.text, "DRIVER_HARD")) << hard.text;
    EXPECT_TRUE(contains(hard.text, "0xBE")) << hard.text;
}

}  // namespace
}  // namespace kel::scsi
