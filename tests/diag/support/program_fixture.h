// The surroundings of tests of the program's windows: a registry, runtime
// folder and wave output of their own, messages answered and recorded
// instead of shown, and the options back at their defaults.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "diag/device/registry_key.h"
#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/options_store.h"
#include "tests/diag/support/test_app.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::test {

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KEL_REGISTRY_DIR", (folder_ / "registry").c_str(), 1);
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        ::setenv("KEL_AUDIO_OUT", (folder_ / "sound.wav").c_str(), 1);
        std::filesystem::create_directories(folder_ / "runtime");
        app();
        Options() = OptionsBlock{};
        logSwitches().debugMode = false;
        SetMessageResponder([this](int id, std::uint16_t styleWord, const std::string& text) {
            messages_.push_back(id);
            texts_.push_back(text);
            return answerFor(id, styleWord);
        });
    }
    void TearDown() override { SetMessageResponder({}); }

    virtual int answerFor(int, std::uint16_t) { return answer::kOk; }

    RegistryKey settings() const {
        RegistryKey key;
        EXPECT_TRUE(OpenProgramKey(key));
        return key;
    }

    kel::test::TempFolder folder_;
    std::vector<int> messages_;
    std::vector<std::string> texts_;
};

}  // namespace kel::diag::test
