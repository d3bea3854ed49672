// The one QApplication of a test process, kept away from the user's own
// settings and sound device: the registry and the wave output go to files
// of the tests' own unless a fixture chose them first.
#pragma once

#include <QApplication>
#include <cstdlib>

#include "tests/support/temp_folder.h"

namespace kel::diag::test {

// Never destroyed: the scan's worker may still hold queued calls for it when
// the process ends, and destroying it in the exit handlers, after Qt's own
// globals are gone or after key events made their input device, crashes the
// toolkit.
inline QApplication& app() {
    static QApplication* application = [] {
        // The process's own: test processes run side by side.
        static const kel::test::TempFolder folder;
        ::setenv("KEL_REGISTRY_DIR", (folder / "registry").c_str(), 0);
        ::setenv("KEL_AUDIO_OUT", (folder / "sound.wav").c_str(), 0);
        static int argc = 1;
        static char name[] = "diag_test";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *application;
}

}  // namespace kel::diag::test
