#include "diag/tools/cdg/cdg_report.h"

#include <optional>
#include <string>

#include "diag/tools/cdg/cdg_record_file.h"
#include "diag/tools/cdg/cdg_snapshot.h"
#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

std::string packText(const CdgPack& pack) {
    std::string text;
    for (std::uint8_t byte : pack) {
        const FormatArg args[] = {byte};
        text += FormatText("%02x ", args, 8);
    }
    return text;
}

}  // namespace

void ReportCdgRecords(CdgRecordFile& records) {
    if (!records.Rewind()) {
        return;
    }
    std::string name;
    int saved = 0;
    while (const std::optional<CdgRecord> record = records.Next()) {
        const CdgRecord& r = *record;
        if (r.type == CdgRecord::kError) {
            ShowMessage(239, r.packet, LoadResString(r.stringId), packText(r.pack));
            continue;
        }
        // A cancelled dialog skips this snapshot and asks again at the next.
        if (name.empty()) {
            name = AskSnapshotName();
            if (name.empty()) {
                continue;
            }
        }
        WriteSnapshotBmp(SnapshotFileName(name, ++saved), r.palette, r.bottomUpPixels);
    }
}

}  // namespace kel::diag
