// The running system's name and the platform flags.
#include "frontend/common/version_text.h"

#include <gtest/gtest.h>

namespace kel::frontend {
namespace {

TEST(GetWindowsVersionText, NamesTheRunningSystemAndSetsOneFlag) {
    PlatformIsWin32s = 1;
    PlatformIsWin95 = 1;
    std::string text = GetWindowsVersionText();
    EXPECT_EQ(text.rfind("Linux ", 0), 0u) << text;
    EXPECT_NE(text.find('.'), std::string::npos) << text;
    EXPECT_EQ(PlatformIsNT, 1);
    EXPECT_EQ(PlatformIsWin32s, 0);
    EXPECT_EQ(PlatformIsWin95, 0);
}

}  // namespace
}  // namespace kel::frontend
