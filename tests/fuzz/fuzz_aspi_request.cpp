// Request blocks reach the manager from whichever program loads it: any
// kind, any size field, any lengths. Only the buffer and the event must be
// real, as a program's are; everything else comes from the input.
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/aspi/aspi_requests.h"
#include "platform/aspi/completion_event.h"
#include "platform/aspi/host_adapter.h"

namespace {

using namespace kel;

// A drive that answers every command: data in, or a check condition for
// odd opcodes; one opcode finds it gone, so that it is opened again.
class AnsweringDrive final : public scsi::Transport {
public:
    scsi::Result execute(std::span<const std::uint8_t> cdb, scsi::Direction direction,
                         std::span<std::uint8_t> buffer, std::chrono::milliseconds) override {
        scsi::Result result;
        if (cdb[0] == 0xFE) {
            result.error = {EIO, "gone"};
            return result;
        }
        if (cdb[0] & 1) {
            result.status = scsi::status::kCheckCondition;
            result.sense = scsi::Sense::make(5, 0x24, 0);
            return result;
        }
        if (direction == scsi::Direction::In && !buffer.empty()) {
            std::fill(buffer.begin(), buffer.end(), 0x5A);
            buffer[0] = 0x05;
        }
        result.transferred = direction == scsi::Direction::None ? 0 : buffer.size();
        return result;
    }
};

aspi::HostAdapter& adapter() {
    static aspi::HostAdapter instance(
        {[] { return std::make_unique<AnsweringDrive>(); }, [] { return nullptr; }});
    return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static aspi::CompletionEvent event;
    static std::uint8_t buffer[4096];
    alignas(8) std::uint8_t block[sizeof(aspi::SrbExecScsiCmd) + 16] = {};
    std::memcpy(block, data, std::min(size, sizeof block));
    auto& head = *reinterpret_cast<aspi::SrbHead*>(block);
    if (head.SRB_Cmd == aspi::SC_EXEC_SCSI_CMD) {
        auto& exec = *reinterpret_cast<aspi::SrbExecScsiCmd*>(block);
        exec.SRB_BufLen = std::min<std::uint32_t>(exec.SRB_BufLen, sizeof buffer);
        exec.SRB_BufPointer = exec.SRB_BufPointer ? buffer : nullptr;
        exec.SRB_PostProc = exec.SRB_PostProc < 0 ? -1 : event.handle();
    } else if (head.SRB_Cmd == aspi::SC_RESET_DEV) {
        auto& reset = *reinterpret_cast<aspi::SrbResetDev*>(block);
        reset.SRB_PostProc = reset.SRB_PostProc < 0 ? -1 : event.handle();
    }
    event.reset();
    std::uint32_t status = adapter().send(block);
    if (status == aspi::SS_PENDING) {
        while (__atomic_load_n(&head.SRB_Status, __ATOMIC_ACQUIRE) == aspi::SS_PENDING) {
            event.wait(std::nullopt);
            event.reset();
        }
    } else if (status != head.SRB_Status) {
        __builtin_trap();
    }
    if (head.SRB_Cmd == aspi::SC_EXEC_SCSI_CMD && head.SRB_Status == aspi::SS_COMP) {
        auto& exec = *reinterpret_cast<aspi::SrbExecScsiCmd*>(block);
        if (exec.SRB_Transferred > exec.SRB_BufLen) {
            __builtin_trap();
        }
    }
    return 0;
}
