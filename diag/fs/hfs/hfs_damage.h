// Telling the user of a damaged HFS catalog: each kind of damage once a disc
// scan, however many nodes or volumes show it, so that a looping or
// shredded catalog gives one box per kind, not one per lost record.
#pragma once

#include <cstdint>

#include "diag/disc/track_info.h"

namespace kel::diag::hfs {

enum class CatalogDamage {
    LostParent,      // a record whose parent no folder is (message 161)
    LeafChainLoops,  // a forward link back to a leaf already read (271)
    HeaderUnusable,  // node size or first leaf unusable (273)
    RecordCount,     // a leaf's record count that its node cannot hold (274)
    NodeMissing,     // a chain node unreadable, beyond the extents or no leaf (275)
};

// True the first time `kind` is met in this scan; marks it as reported.
bool FirstReportOf(CatalogDamage kind);

// The message of `kind` (all but LostParent, whose message names the record)
// with the track and the node, the first time in this scan.
void ReportCatalogDamage(CatalogDamage kind, const TrackInfo& track, std::uint32_t node);

}  // namespace kel::diag::hfs
