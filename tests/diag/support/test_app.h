// The one QApplication of a test process, kept away from the user's own
// settings and sound device: the registry and the wave output go to files
// of the tests' own unless a fixture chose them first.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

namespace kel::diag::test {

// Never destroyed: the scan's worker may still hold queued calls for it when
// the process ends, and destroying it in the exit handlers, after Qt's own
// globals are gone or after key events made their input device, crashes the
// toolkit.
inline QApplication& app() {
    static QApplication* application = [] {
        const std::string dir = ::testing::TempDir();
        ::setenv("KEL_REGISTRY_DIR", (dir + "kel_ui_test_registry").c_str(), 0);
        ::setenv("KEL_AUDIO_OUT", (dir + "kel_ui_test_sound.wav").c_str(), 0);
        static int argc = 1;
        static char name[] = "diag_test";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *application;
}

}  // namespace kel::diag::test
