#include "frontend/common/drive_ready.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include "frontend/common/kel_cd_data.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

constexpr int kPauseMs = 100;

}  // namespace

bool WaitUntilDriveReady(DriveServerClient& client, int device, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (true) {
        KelCdData.DriveNumber = static_cast<std::int16_t>(device);
        client._Send(kGroupDrive, kSubGet, kDriveDeviceStatus & 0xFF);
        if (KelCdData.ReplyError == 0) {
            return true;
        }
        if (std::chrono::milliseconds(clock.elapsed()) >= limit) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kPauseMs);
        QThread::msleep(kPauseMs);
    }
}

}  // namespace kel::frontend
