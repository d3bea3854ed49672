// The manager's two entry points over this machine's CD drives: each CD
// letter of the drive configuration is one target of the one host adapter,
// in letter order.
#include <cstdint>

#include "platform/aspi/host_adapter.h"
#include "platform/drives/drive_table.h"
#include "wiring/drive_transport.h"

namespace {

kel::aspi::HostAdapter& adapter() {
    static kel::aspi::HostAdapter instance([] {
        std::vector<kel::aspi::TargetOpener> targets;
        for (const kel::drives::CdDrive& drive : kel::drives::drives().cdDrives()) {
            targets.push_back([drive]() {
                std::string error;
                return kel::wiring::openDriveTransport(drive, error);
            });
        }
        return targets;
    }());
    return instance;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo() {
    return adapter().supportInfo();
}

extern "C" __attribute__((visibility("default"))) std::uint32_t SendASPI32Command(void* request) {
    return adapter().send(request);
}
