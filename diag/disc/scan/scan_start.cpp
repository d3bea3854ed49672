#include <QApplication>
#include <system_error>
#include <thread>

#include "diag/disc/scan/scan_disc.h"
#include "diag/state/program_flags.h"

namespace kel::diag {

bool StartScanDisc() {
    if (BusyFlag().exchange(true)) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
            QApplication::beep();
        }
        return false;
    }
    try {
        std::thread(ScanDisc).detach();
    } catch (const std::system_error&) {
        BusyFlag() = false;
        return false;
    }
    return true;
}

}  // namespace kel::diag
