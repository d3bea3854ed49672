#include "diag/tools/errscan/recovery_setting.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

#include "diag/device/device_access.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/setting_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr int kReadChangeable = -1;
// Retry count 0xFF is written as 0: the candidate alone decides how the
// drive treats a bad block.
constexpr int kNoRetries = 0xFF;
constexpr int kParkedRetries = 10;

struct Search {
    std::atomic<std::uint8_t> probed{0};
    std::atomic<int> reason{0};
};

Search& search() {
    static Search state;
    return state;
}

int candidateCode(std::uint8_t candidate) {
    return candidate << 8 | kNoRetries;
}

}  // namespace

std::vector<std::uint8_t> ParseRecoveryCandidates(std::string_view text) {
    std::vector<std::uint8_t> values;
    bool first = true;
    while (!text.empty() && values.size() < kMaxRecoveryCandidates) {
        std::size_t semicolon = text.find(';');
        std::string_view pair = text.substr(0, semicolon);
        text =
            semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
        if (std::exchange(first, false)) {
            continue;  // "*Auto*": the probe itself, not a value to try
        }
        std::size_t comma = pair.find(',');
        if (comma == std::string_view::npos) {
            continue;
        }
        std::optional<std::uint32_t> value = ParseCNumber(TrimBlanks(pair.substr(comma + 1)));
        // 0 ends the list, as the byte that terminates it.
        if (value == 0u) {
            break;
        }
        if (value && *value <= 0xFF) {
            values.push_back(static_cast<std::uint8_t>(*value));
        }
    }
    return values;
}

std::span<const std::uint8_t> RecoveryCandidates() {
    static const std::vector<std::uint8_t> candidates = ParseRecoveryCandidates(LoadResString(159));
    return candidates;
}

std::uint8_t ProbedRecoverySetting() {
    return search().probed;
}

int RecoveryReasonCode() {
    return search().reason;
}

void PrepareErrorRecovery() {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return;
    }
    CdDevice& d = *device;
    std::span<const std::uint8_t> candidates = RecoveryCandidates();
    const bool debug = logSwitches().debugMode;
    d.ResetBlockSize(2048);
    if (d.ErrScan() != 0 && d.DevReg() && !debug) {
        d.SetDevReg(true);
        search().probed = d.ErrScan();
    } else {
        d.quiet = 1;
        std::uint16_t changeable = 0;
        const bool maskRead = d.SetErrorRecovery(kReadChangeable, &changeable);
        if (debug) {
            DebugLog("Read Error Recovery change mask = %04x", changeable);
        }
        const std::uint8_t mask = static_cast<std::uint8_t>(changeable >> 8);
        std::optional<std::uint16_t> restore;
        auto tryCandidate = [&](std::uint8_t candidate) {
            std::uint16_t before = 0;
            if (!d.SetErrorRecovery(candidateCode(candidate), &before)) {
                return false;
            }
            d.SetErrScan(candidate);
            search().probed = candidate;
            restore = before;
            return true;
        };
        if (maskRead && mask != 0) {
            if ((mask & (recovery_bits::kPer | recovery_bits::kDcr)) == 0) {
                search().reason = recovery_reason::kMaskWithoutPerOrDcr;
            } else {
                bool accepted = false;
                for (std::uint8_t candidate : candidates) {
                    if ((candidate & ~mask) == 0 && tryCandidate(candidate)) {
                        accepted = true;
                        break;
                    }
                }
                if (!accepted && d.ErrScan() == 0) {
                    search().reason = recovery_reason::kNoneInMaskAccepted;
                }
            }
        } else {
            search().reason = recovery_reason::kNoneAcceptedWithoutMask;
            for (std::uint8_t candidate : candidates) {
                if (tryCandidate(candidate)) {
                    search().reason = recovery_reason::kAcceptedWithoutMask;
                    break;
                }
            }
        }
        if (d.ErrScan() != 0 && restore) {
            d.SetErrorRecovery(*restore, nullptr);
        }
        d.quiet = 0;
        if (debug) {
            DebugLog("Read Error Recovery mask result = %04x, reason code = %d", d.ErrScan(),
                     search().reason.load());
        }
    }
    if (d.ErrScan() != 0) {
        // Leave the drive correcting and retrying as usual until a scan asks
        // otherwise.
        d.quiet = 1;
        std::uint16_t before = 0;
        if (d.SetErrorRecovery(kParkedRetries, &before) && (before >> 8) != 0) {
            d.SetErrorRecovery(before & 0xFF, nullptr);
        }
        d.quiet = 0;
    }
    d.UpdateDatabase();
}

bool NextRecoverySetting() {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return false;
    }
    std::span<const std::uint8_t> candidates = RecoveryCandidates();
    auto current = std::find(candidates.begin(), candidates.end(), device->ErrScan());
    if (current == candidates.end()) {
        return false;
    }
    for (auto it = current + 1; it != candidates.end(); ++it) {
        if (device->SetErrorRecovery(candidateCode(*it), nullptr)) {
            device->SetErrScan(*it);
            return true;
        }
    }
    return false;
}

}  // namespace kel::diag
