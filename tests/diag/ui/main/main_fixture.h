// The main window tests' surroundings: a registry, runtime folder, wave
// output, debug log and device database of their own, messages answered and
// recorded instead of shown, the splash cut short, and the program's state
// back at its start values.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "diag/device/device_database.h"
#include "diag/device/registry_key.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/main/about_dialog.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/options_store.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::test {

// Never destroyed: the scan's worker may still hold queued calls for it
// when the process ends, and Qt's own globals go before a static would.
inline QApplication& app() {
    static int argc = 1;
    static char name[] = "diag_main_test";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

class MainFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KEL_REGISTRY_DIR", (folder_ / "registry").c_str(), 1);
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        ::setenv("KEL_AUDIO_OUT", (folder_ / "sound.wav").c_str(), 1);
        std::filesystem::create_directories(folder_ / "runtime");
        SetDebugLogPath(folder_ / "MORVALE.DBG");
        SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
        app();
        AboutDialog::setSplashDuration(std::chrono::milliseconds(10));
        Options() = OptionsBlock{};
        logSwitches().debugMode = false;
        logSwitches().writeThrough = false;
        logSwitches().allocationTracing = false;
        BusyFlag() = false;
        CloseRequested() = false;
        SetMessageResponder([this](int id, std::uint16_t styleWord, const std::string& text) {
            messages_.push_back(id);
            texts_.push_back(text);
            return answerFor(id, styleWord);
        });
    }
    void TearDown() override {
        SetMessageResponder({});
        SetDebugLogPath({});
        SetDatabaseFileName({});
        BusyFlag() = false;
        CloseRequested() = false;
    }

    // OK to a message, Cancel to a question unless a test says otherwise;
    // guides are not ticked.
    virtual int answerFor(int id, std::uint16_t styleWord) {
        if (id == 254) {
            return 0;
        }
        return styleWord == style::kOk ? answer::kOk : questionAnswer_;
    }

    RegistryKey settings() const {
        RegistryKey key;
        EXPECT_TRUE(OpenProgramKey(key));
        return key;
    }

    kel::test::TempFolder folder_;
    std::vector<int> messages_;
    std::vector<std::string> texts_;
    int questionAnswer_ = answer::kCancel;
};

}  // namespace kel::diag::test
