#include "diag/fs/hfs/hfs_damage.h"

#include <bitset>

#include "diag/fs/readers.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::size_t kKinds = 5;

// The kinds reported in this scan; the scan thread alone reads volumes, so
// no other thread touches it meanwhile.
std::bitset<kKinds> reported;

}  // namespace

void AllowHfsDamageReport() {
    reported.reset();
}

namespace hfs {

bool FirstReportOf(CatalogDamage kind) {
    const auto bit = static_cast<std::size_t>(kind);
    if (reported.test(bit)) {
        return false;
    }
    reported.set(bit);
    return true;
}

void ReportCatalogDamage(CatalogDamage kind, const TrackInfo& track, std::uint32_t node) {
    if (logSwitches().debugMode) {
        DebugLog("HFS: catalog damage %d at node %d", static_cast<int>(kind), node);
    }
    if (!FirstReportOf(kind)) {
        return;
    }
    switch (kind) {
        case CatalogDamage::LeafChainLoops:
            ShowMessage(271, track.track, node);
            break;
        case CatalogDamage::HeaderUnusable:
            ShowMessage(273, track.track);
            break;
        case CatalogDamage::RecordCount:
            ShowMessage(274, track.track, node);
            break;
        case CatalogDamage::NodeMissing:
            ShowMessage(275, track.track, node);
            break;
        case CatalogDamage::LostParent:
            break;
    }
}

}  // namespace hfs
}  // namespace kel::diag
