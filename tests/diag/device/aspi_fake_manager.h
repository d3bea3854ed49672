// A manager whose every answer a test scripts: adapters with their target
// counts and device types, and how each command block ends (its send result,
// status, host adapter status and sense, completed at once or left pending).
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "diag/device/aspi_access.h"
#include "platform/aspi/aspi_requests.h"
#include "platform/aspi/completion_event.h"

namespace kel::diag::testing {

struct FakeOutcome {
    std::uint32_t sendResult = aspi::SS_PENDING;
    std::uint8_t status = aspi::SS_COMP;
    std::uint8_t haStat = 0;
    std::uint8_t key = 0, asc = 0, ascq = 0;
    bool signal = true;  // a pending block's event is signalled
    std::vector<std::uint8_t> data;

    static FakeOutcome senseOf(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
        return FakeOutcome{aspi::SS_PENDING, aspi::SS_ERR, 0, key, asc, ascq, true, {}};
    }
    static FakeOutcome ofStatus(std::uint8_t status, std::uint8_t haStat = 0) {
        return FakeOutcome{aspi::SS_PENDING, status, haStat, 0, 0, 0, true, {}};
    }
};

class FakeManager {
public:
    // Ends every block still held, as a manager that finally got an answer.
    ~FakeManager() { finishHeld(); }
    void finishHeld() {
        for (aspi::SrbHead* head : held) {
            head->SRB_Status = aspi::SS_ERR;
        }
        held.clear();
    }

    int adapters = 1;
    std::map<int, std::uint8_t> targetIds;                    // HA_Unique byte 3 by adapter
    std::map<std::pair<int, int>, std::uint8_t> deviceTypes;  // present devices
    std::deque<FakeOutcome> outcomes;                         // empty: completed at once
    std::vector<std::pair<int, int>> probed;
    std::vector<std::uint8_t> opcodes;
    std::vector<std::uint8_t> flags;  // SRB_Flags of each command block
    int resets = 0;
    // How resets end: completed at once, refused with this status, or (with
    // SS_PENDING) never.
    std::uint32_t resetResult = aspi::SS_COMP;
    // Blocks left pending, which the manager may still write into.
    std::vector<aspi::SrbHead*> held;
    std::function<void()> duringProbe;
    // Runs once a command block has ended, before the manager returns.
    std::function<void()> afterCommand;

    AspiManagerEntries entries() {
        return AspiManagerEntries{[this] {
                                      return std::uint32_t{aspi::SS_COMP} << 8 |
                                             static_cast<std::uint32_t>(adapters);
                                  },
                                  [this](void* block) { return send(block); }};
    }

private:
    std::uint32_t send(void* block) {
        auto& head = *static_cast<aspi::SrbHead*>(block);
        switch (head.SRB_Cmd) {
            case aspi::SC_HA_INQUIRY: {
                auto& srb = *static_cast<aspi::SrbHaInquiry*>(block);
                srb.HA_Unique[3] = targetIds.count(head.SRB_HaId) ? targetIds[head.SRB_HaId] : 8;
                return head.SRB_Status = aspi::SS_COMP;
            }
            case aspi::SC_GET_DEV_TYPE: {
                auto& srb = *static_cast<aspi::SrbGetDevType*>(block);
                probed.emplace_back(head.SRB_HaId, srb.SRB_Target);
                if (duringProbe) {
                    duringProbe();
                }
                auto it = deviceTypes.find({head.SRB_HaId, srb.SRB_Target});
                if (it == deviceTypes.end()) {
                    return head.SRB_Status = aspi::SS_NO_SUCH_DEVICE;
                }
                srb.SRB_DeviceType = it->second;
                return head.SRB_Status = aspi::SS_COMP;
            }
            case aspi::SC_RESET_DEV:
                ++resets;
                if (resetResult == aspi::SS_PENDING) {
                    held.push_back(&head);
                }
                return head.SRB_Status = static_cast<std::uint8_t>(resetResult);
            case aspi::SC_EXEC_SCSI_CMD:
                return execute(*static_cast<aspi::SrbExecScsiCmd*>(block));
            default:
                return head.SRB_Status = aspi::SS_BAD_REQUEST;
        }
    }

    std::uint32_t execute(aspi::SrbExecScsiCmd& srb) {
        opcodes.push_back(srb.CDBByte[0]);
        flags.push_back(srb.head.SRB_Flags);
        FakeOutcome outcome;
        if (!outcomes.empty()) {
            outcome = outcomes.front();
            outcomes.pop_front();
        }
        if (outcome.sendResult != aspi::SS_PENDING && outcome.sendResult != aspi::SS_COMP) {
            return srb.head.SRB_Status = static_cast<std::uint8_t>(outcome.sendResult);
        }
        if (outcome.sendResult == aspi::SS_PENDING && !outcome.signal) {
            held.push_back(&srb.head);
            srb.head.SRB_Status = aspi::SS_PENDING;
            return aspi::SS_PENDING;
        }
        std::size_t n = std::min<std::size_t>(outcome.data.size(), srb.SRB_BufLen);
        if (n > 0) {
            std::memcpy(srb.SRB_BufPointer, outcome.data.data(), n);
        }
        srb.SRB_Transferred = static_cast<std::uint32_t>(n);
        srb.SRB_HaStat = outcome.haStat;
        srb.SRB_TargStat = outcome.key != 0 ? 2 : 0;
        std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
        srb.SenseArea[2] = outcome.key;
        srb.SenseArea[12] = outcome.asc;
        srb.SenseArea[13] = outcome.ascq;
        srb.head.SRB_Status = outcome.status;
        if (outcome.sendResult == aspi::SS_PENDING) {
            aspi::signalCompletion(srb.SRB_PostProc);
        }
        if (afterCommand) {
            std::exchange(afterCommand, nullptr)();
        }
        return outcome.sendResult;
    }
};

}  // namespace kel::diag::testing
