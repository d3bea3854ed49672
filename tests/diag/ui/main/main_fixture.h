// The main window tests' surroundings: those of every window test, with a
// debug log and device database of their own, questions answered Cancel,
// the splash cut short, and the program's state back at its start values.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
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
#include "tests/diag/support/program_fixture.h"

namespace kel::diag::test {

class MainFixture : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        // A main window an earlier case destroyed asked the application to
        // quit while no loop ran: every modal loop would end at once until
        // the application's own loop has run.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QApplication::exec();
        SetDebugLogPath(folder_ / "MORVALE.DBG");
        SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
        AboutDialog::setSplashDuration(std::chrono::milliseconds(10));
        logSwitches().writeThrough = false;
        logSwitches().allocationTracing = false;
        BusyFlag() = false;
        CloseRequested() = false;
    }
    void TearDown() override {
        ProgramFixture::TearDown();
        SetDebugLogPath({});
        SetDatabaseFileName({});
        BusyFlag() = false;
        CloseRequested() = false;
    }

    // OK to a message, Cancel to a question unless a test says otherwise;
    // guides are not ticked.
    int answerFor(int id, std::uint16_t styleWord) override {
        if (id == 254) {
            return 0;
        }
        return styleWord == style::kOk ? answer::kOk : questionAnswer_;
    }

    int questionAnswer_ = answer::kCancel;
};

}  // namespace kel::diag::test
