// The pane tests' surroundings: an application, a registry of their own and
// the options at their defaults, in the English locale so that thousands
// separators read as ",".
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <cstdlib>

#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "tests/diag/support/test_app.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KEL_REGISTRY_DIR", (folder_ / "registry").c_str(), 1);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        app();
        Options() = OptionsBlock{};
        logSwitches().debugMode = false;
    }
    void TearDown() override { SetPaneHooks({}); }

    kel::test::TempFolder folder_;
};

}  // namespace kel::diag::test
