#include "platform/drives/system_info.h"

#include <sys/utsname.h>

#include <gtest/gtest.h>

namespace kel::drives {
namespace {

TEST(SystemInfo, VersionTextIsNameAndMajorMinor) {
    EXPECT_EQ(parseSystemVersion("Linux", "6.8.0-45-generic").text(), "Linux 6.8");
    EXPECT_EQ(parseSystemVersion("Linux", "6.18.44-fc").text(), "Linux 6.18");
    EXPECT_EQ(parseSystemVersion("Linux", "5").text(), "Linux 5.0");
    EXPECT_EQ(parseSystemVersion("Linux", "5-rc1.7").text(), "Linux 5.0");
    EXPECT_EQ(parseSystemVersion("Linux", "").text(), "Linux 0.0");
    EXPECT_EQ(parseSystemVersion("Linux", "x.y").text(), "Linux 0.0");
    EXPECT_EQ(parseSystemVersion("Linux", "99999999999.1").text(), "Linux 0.0");
}

TEST(SystemInfo, RunningSystemIsTheKernelsOwn) {
    utsname names{};
    ASSERT_EQ(::uname(&names), 0);
    SystemVersion version = runningSystem();
    EXPECT_EQ(version.name, names.sysname);
    EXPECT_EQ(std::string(names.release)
                  .rfind(std::to_string(version.major) + "." + std::to_string(version.minor), 0),
              0u);
}

}  // namespace
}  // namespace kel::drives
