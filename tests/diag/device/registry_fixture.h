// Gives each test its own registry through KEL_REGISTRY_DIR.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "temp_folder.h"

namespace kel::diag::testing {

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KEL_REGISTRY_DIR", folder_.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("KEL_REGISTRY_DIR"); }

    TempFolder folder_;
};

}  // namespace kel::diag::testing
