// Gives each test its own registry folder through KEL_REGISTRY_DIR.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kel-registry-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        ::setenv("KEL_REGISTRY_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KEL_REGISTRY_DIR");
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
};
