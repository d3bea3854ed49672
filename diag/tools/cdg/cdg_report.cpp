#include "diag/tools/cdg/cdg_report.h"

#include <algorithm>
#include <optional>
#include <string>

#include "diag/tools/cdg/cdg_record_file.h"
#include "diag/tools/cdg/cdg_snapshot.h"
#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// A damaged disc breaks the rules in packet after packet: the box names this
// many and counts the rest.
constexpr int kErrorsNamed = 3;
constexpr std::size_t kMaxLineText = 200;

std::string packText(const CdgPack& pack) {
    std::string text;
    for (std::uint8_t byte : pack) {
        const FormatArg args[] = {byte};
        text += FormatText("%02x ", args, 8);
    }
    return text;
}

std::string errorLine(const CdgRecord& r) {
    const std::string error = LoadResString(r.stringId);
    const std::string pack = packText(r.pack);
    const FormatArg args[] = {r.packet, error, pack};
    return FormatText("Packet %d: %s\n%s", args, kMaxLineText);
}

// One box for the whole playback, however many packets broke the rules.
void ReportErrors(CdgRecordFile& records) {
    int count = 0;
    std::optional<CdgRecord> first;
    std::string named;
    while (const std::optional<CdgRecord> record = records.Next()) {
        if (record->type != CdgRecord::kError) {
            continue;
        }
        if (++count == 1) {
            first = record;
        }
        if (count <= kErrorsNamed) {
            named += (count > 1 ? "\n" : "") + errorLine(*record);
        }
    }
    if (count == 1) {
        ShowMessage(239, first->packet, LoadResString(first->stringId), packText(first->pack));
    } else if (count > 1) {
        ShowMessage(240, count, std::min(count, kErrorsNamed), named);
    }
}

void SaveSnapshots(CdgRecordFile& records) {
    std::string name;
    int number = 0;
    while (const std::optional<CdgRecord> record = records.Next()) {
        if (record->type != CdgRecord::kSnapshot) {
            continue;
        }
        // A cancelled dialog skips this snapshot and asks again at the next.
        if (name.empty()) {
            name = AskSnapshotName();
            if (name.empty()) {
                continue;
            }
        }
        SaveSnapshotBmp(name, number, record->palette, record->bottomUpPixels);
    }
}

}  // namespace

void ReportCdgRecords(CdgRecordFile& records) {
    if (records.Rewind()) {
        ReportErrors(records);
    }
    if (records.Rewind()) {
        SaveSnapshots(records);
    }
}

}  // namespace kel::diag
