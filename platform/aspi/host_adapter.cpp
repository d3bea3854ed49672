#include "platform/aspi/host_adapter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/aspi/completion_event.h"

namespace kel::aspi {

namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kAdapters = 1;
constexpr char kAdapterName[] = "KEL HOST ADAPTR";

bool cdbLengthAllowed(std::uint8_t length) {
    return length == 6 || length == 10 || length == 12 || length == 16;
}

// The status goes last: a program that sees it may take the other fields.
void publishStatus(SrbHead& head, std::uint8_t status) {
    std::atomic_ref<std::uint8_t>(head.SRB_Status).store(status, std::memory_order_release);
}

std::uint32_t finish(SrbHead& head, std::uint8_t status) {
    publishStatus(head, status);
    return status;
}

// GET DEVICE TYPE's INQUIRY of a drive not yet asked.
constexpr std::chrono::milliseconds kInquiryTimeout{10000};

// A command's data as the drive sees it, and how the drive ended it.
struct Exchange {
    std::vector<std::uint8_t> data;
    scsi::Result result;
};

// Writes how the command ended into the program's block, and what came
// back into its buffer.
void endCommand(std::span<std::uint8_t> buffer, scsi::Direction direction, std::uint8_t senseLength,
                const Exchange& exchange, SrbExecScsiCmd& block) {
    const scsi::Result& result = exchange.result;
    block.SRB_HaStat = HASTAT_OK;
    block.SRB_TargStat = 0;
    block.SRB_Transferred = 0;
    std::fill(std::begin(block.SenseArea), std::end(block.SenseArea), 0);
    if (result.transportFailed()) {
        block.SRB_HaStat =
            result.error.code == ETIMEDOUT ? HASTAT_COMMAND_TIMEOUT : HASTAT_TRANSPORT_FAILURE;
        publishStatus(block.head, SS_ERR);
        return;
    }
    const std::size_t moved = std::min(result.transferred, buffer.size());
    if (direction == scsi::Direction::In) {
        std::copy_n(exchange.data.begin(), moved, buffer.begin());
    }
    block.SRB_TargStat = result.status;
    block.SRB_Transferred = static_cast<std::uint32_t>(
        std::min<std::size_t>(moved, std::numeric_limits<std::uint32_t>::max()));
    if (result.checkCondition()) {
        std::size_t n = std::min<std::size_t>(senseLength, scsi::Sense::kSize);
        std::copy_n(result.sense.bytes.begin(), n, block.SenseArea);
        publishStatus(block.head, SS_ERR);
        return;
    }
    if (result.ok() && (result.overrun || result.transferred != buffer.size())) {
        block.SRB_HaStat = HASTAT_DO_DU;
        publishStatus(block.head, SS_ERR);
        return;
    }
    publishStatus(block.head, result.ok() ? SS_COMP : SS_ERR);
}

}  // namespace

HostAdapter::HostAdapter(std::vector<TargetOpener> targets,
                         std::chrono::milliseconds commandTimeout)
    : commandTimeout_(commandTimeout), queues_(std::min(targets.size(), kMaxTargets)) {
    targets.resize(std::min(targets.size(), kMaxTargets));
    for (TargetOpener& open : targets) {
        auto target = std::make_unique<Target>();
        target->open = std::move(open);
        targets_.push_back(std::move(target));
    }
}

HostAdapter::~HostAdapter() = default;

std::uint32_t HostAdapter::supportInfo() const {
    std::uint8_t status = targets_.empty() ? SS_NO_ADAPTERS : SS_COMP;
    return std::uint32_t{status} << 8 | kAdapters;
}

std::uint8_t HostAdapter::targetIds() const {
    return targets_.size() > 8 ? 16 : 8;
}

HostAdapter::Target* HostAdapter::target(std::uint8_t id, std::uint8_t lun) {
    if (lun != 0 || id >= targets_.size()) {
        return nullptr;
    }
    return targets_[id].get();
}

scsi::Result HostAdapter::execute(Target& target, std::span<const std::uint8_t> cdb,
                                  scsi::Direction direction, std::span<std::uint8_t> buffer,
                                  std::chrono::milliseconds timeout) {
    if (!target.transport && target.open) {
        target.transport = target.open();
    }
    scsi::Result result;
    if (!target.transport) {
        result.error = {ENODEV, "the drive cannot be opened"};
        return result;
    }
    result = target.transport->execute(cdb, direction, buffer, timeout);
    if (result.transportFailed() && result.error.code != ETIMEDOUT) {
        target.transport.reset();
    }
    return result;
}

std::uint32_t HostAdapter::send(void* request) {
    if (!request) {
        return SS_BAD_REQUEST;
    }
    // Its status is the pending request's, and stays so.
    if (queues_.pending(request)) {
        return SS_BAD_REQUEST;
    }
    auto& head = *static_cast<SrbHead*>(request);
    auto sized = [&](std::size_t size) { return head.SRB_Length == size; };
    switch (head.SRB_Cmd) {
        case SC_HA_INQUIRY:
            if (!sized(sizeof(SrbHaInquiry))) {
                break;
            }
            return inquireAdapter(*static_cast<SrbHaInquiry*>(request));
        case SC_GET_DEV_TYPE:
            if (!sized(sizeof(SrbGetDevType))) {
                break;
            }
            return deviceType(*static_cast<SrbGetDevType*>(request));
        case SC_EXEC_SCSI_CMD:
            if (!sized(sizeof(SrbExecScsiCmd))) {
                break;
            }
            return executeCommand(*static_cast<SrbExecScsiCmd*>(request));
        case SC_RESET_DEV:
            if (!sized(sizeof(SrbResetDev))) {
                break;
            }
            return resetDevice(*static_cast<SrbResetDev*>(request));
        default:
            break;
    }
    return finish(head, SS_BAD_REQUEST);
}

std::uint32_t HostAdapter::inquireAdapter(SrbHaInquiry& block) const {
    if (block.head.SRB_HaId >= kAdapters) {
        return finish(block.head, SS_NO_SUCH_ADAPTER);
    }
    block.HA_Count = kAdapters;
    std::memcpy(block.HA_Name, kAdapterName, sizeof block.HA_Name);
    std::fill(std::begin(block.HA_Unique), std::end(block.HA_Unique), 0);
    block.HA_Unique[3] = targetIds();
    return finish(block.head, SS_COMP);
}

std::uint32_t HostAdapter::deviceType(SrbGetDevType& block) {
    if (block.head.SRB_HaId >= kAdapters) {
        return finish(block.head, SS_NO_SUCH_ADAPTER);
    }
    Target* t = target(block.SRB_Target, block.SRB_Lun);
    if (!t) {
        return finish(block.head, SS_NO_SUCH_DEVICE);
    }
    auto answer = [t, &block] {
        const int type = t->deviceType.load();
        if (type < 0) {
            return finish(block.head, SS_NO_SUCH_DEVICE);
        }
        block.SRB_DeviceType = static_cast<std::uint8_t>(type);
        return finish(block.head, SS_COMP);
    };
    if (t->deviceType.load() >= 0) {
        return answer();
    }
    auto request = std::make_shared<QueuedRequest>();
    request->deadline = QueuedRequest::Clock::now() + kInquiryTimeout;
    request->run = [t] {
        std::uint8_t inquiry[36] = {};
        const std::uint8_t cdb[6] = {0x12, 0, 0, 0, sizeof inquiry, 0};
        scsi::Result result = execute(*t, cdb, scsi::Direction::In, inquiry, kInquiryTimeout);
        if (result.ok() && result.transferred >= 1) {
            t->deviceType.store(inquiry[0] & 0x1F);
        }
    };
    request->complete = [answer] { answer(); };
    request->expire = [&block] { finish(block.head, SS_NO_SUCH_DEVICE); };
    return submit(block.SRB_Target, block.head, false, 0, request);
}

std::uint32_t HostAdapter::executeCommand(SrbExecScsiCmd& block) {
    if (block.head.SRB_HaId >= kAdapters) {
        return finish(block.head, SS_NO_SUCH_ADAPTER);
    }
    Command command;
    command.target = block.SRB_Target;
    if (!target(command.target, block.SRB_Lun)) {
        return finish(block.head, SS_NO_SUCH_DEVICE);
    }
    const std::uint8_t flags = block.head.SRB_Flags;
    const bool in = (flags & SRB_DIR_IN) != 0;
    const bool out = (flags & SRB_DIR_OUT) != 0;
    command.cdbLength = block.SRB_CDBLen;
    command.senseLength = block.SRB_SenseLen;
    const std::uint32_t bufferLength = block.SRB_BufLen;
    std::uint8_t* const buffer = block.SRB_BufPointer;
    // A buffer without a direction would leave the drive's data nowhere.
    if (!cdbLengthAllowed(command.cdbLength) || command.senseLength > kSenseAreaBytes ||
        (in && out) || (bufferLength > 0 && (!buffer || !(in || out)))) {
        return finish(block.head, SS_BAD_REQUEST);
    }
    if (in || out) {
        command.direction = in ? scsi::Direction::In : scsi::Direction::Out;
        command.buffer = {buffer, bufferLength};
    }
    std::copy_n(block.CDBByte, command.cdbLength, command.cdb.begin());

    // The drive works on the manager's copy; the program's buffer gets what
    // came back only when the request ends in time.
    auto exchange = std::make_shared<Exchange>();
    try {
        exchange->data.resize(bufferLength);
    } catch (const std::bad_alloc&) {
        return finish(block.head, SS_BAD_REQUEST);
    }
    if (out) {
        std::copy_n(buffer, bufferLength, exchange->data.begin());
    }
    Target* t = target(command.target, 0);
    auto request = std::make_shared<QueuedRequest>();
    request->deadline = QueuedRequest::Clock::now() + commandTimeout_;
    request->run = [this, t, command, exchange] {
        exchange->result = execute(*t, {command.cdb.data(), command.cdbLength}, command.direction,
                                   exchange->data, commandTimeout_);
    };
    request->complete = [command, exchange, &block] {
        endCommand(command.buffer, command.direction, command.senseLength, *exchange, block);
    };
    request->expire = [&block] {
        block.SRB_HaStat = HASTAT_COMMAND_TIMEOUT;
        block.SRB_TargStat = 0;
        block.SRB_Transferred = 0;
        std::fill(std::begin(block.SenseArea), std::end(block.SenseArea), 0);
        publishStatus(block.head, SS_ERR);
    };
    return submit(command.target, block.head, (flags & SRB_EVENT_NOTIFY) != 0, block.SRB_PostProc,
                  request);
}

std::uint32_t HostAdapter::resetDevice(SrbResetDev& block) {
    if (block.head.SRB_HaId >= kAdapters) {
        return finish(block.head, SS_NO_SUCH_ADAPTER);
    }
    if (!target(block.SRB_Target, block.SRB_Lun)) {
        return finish(block.head, SS_NO_SUCH_DEVICE);
    }
    // The transport keeps no state between commands that a reset would
    // have to clear; posted, it still waits for the commands before it.
    auto request = std::make_shared<QueuedRequest>();
    request->deadline = QueuedRequest::Clock::now() + commandTimeout_;
    request->run = [] {};
    request->complete = [&block] {
        block.SRB_HaStat = HASTAT_OK;
        block.SRB_TargStat = 0;
        publishStatus(block.head, SS_COMP);
    };
    request->expire = [&block] {
        block.SRB_HaStat = HASTAT_COMMAND_TIMEOUT;
        block.SRB_TargStat = 0;
        publishStatus(block.head, SS_ERR);
    };
    return submit(block.SRB_Target, block.head, (block.head.SRB_Flags & SRB_EVENT_NOTIFY) != 0,
                  block.SRB_PostProc, request);
}

std::uint32_t HostAdapter::submit(std::uint8_t target, SrbHead& head, bool notify,
                                  std::int64_t event,
                                  const std::shared_ptr<QueuedRequest>& request) {
    request->block = &head;
    if (notify) {
        if (!isCompletionEvent(event)) {
            return finish(head, SS_BAD_REQUEST);
        }
        request->event = event;
        publishStatus(head, SS_PENDING);
        queues_.post(target, request);
        return SS_PENDING;
    }
    queues_.post(target, request);
    RequestQueues::waitForEnd(*request);
    return std::atomic_ref<std::uint8_t>(head.SRB_Status).load(std::memory_order_acquire);
}

}  // namespace kel::aspi
