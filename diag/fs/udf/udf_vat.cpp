#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <new>

#include "diag/fs/udf/udf_entry.h"
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/fs/udf/used_block_bitmap.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag::udf {
namespace {

// The regid that ends a VAT of UDF 1.50: its identifier starts 35 bytes
// before the end of the data (32-byte regid, then the previous VAT's block).
constexpr char kVatIdentifier[] = "*UDF Virtual Alloc Tbl";
constexpr std::size_t kVatIdentifierLength = sizeof kVatIdentifier - 1;
constexpr std::uint32_t kVatIdentifierBack = 35;
constexpr std::uint32_t kVatTrailer = 36;

// A VAT maps at most every block the bitmap covers.
constexpr std::size_t kMaxVatBytes = std::size_t{kMaxDiscBlocks} * 4 + 2 * kBlockSizeBytes;

constexpr std::int32_t kBackwardBlocks = 256;
constexpr std::int32_t kTrackTooShortForVat = 2564;
constexpr std::int32_t kStatusTrackGap = 200;
constexpr auto kLongSearch = std::chrono::milliseconds(600000);

bool HasIdentifierAt(std::span<const std::uint8_t> bytes, std::int64_t offset) {
    if (offset < 0 || static_cast<std::size_t>(offset) + kVatIdentifierLength > bytes.size()) {
        return false;
    }
    return std::memcmp(bytes.data() + offset, kVatIdentifier, kVatIdentifierLength) == 0;
}

TrackInfo* LastTrack(TrackInfo& track) {
    TrackInfo* last = &track;
    while (TrackInfo* next = NextTrack(*last)) {
        last = next;
    }
    return last;
}

// The track whose number the forward search shows: the disc's last, or the
// one before while a track is only the tail of its predecessor.
TrackInfo* StatusTrack(TrackInfo& track) {
    TrackInfo* shown = LastTrack(track);
    while (shown->prev != nullptr && !IsIncremental(*shown) &&
           shown->start < shown->prev->end + kStatusTrackGap) {
        shown = shown->prev;
    }
    return shown;
}

TrackInfo* SearchTrack(TrackInfo& track) {
    TrackInfo* next = NextTrack(track);
    if (track.end - track.start < kTrackTooShortForVat && !IsPacket(track) && next != nullptr) {
        next->flags |= track_flags::kContinuation;
        return next;
    }
    if (next != nullptr && (next->flags & track_flags::kContinuation) != 0) {
        return next;
    }
    return &track;
}

bool IsVat(std::span<const std::uint8_t> block, std::int32_t partitionStart) {
    if (!IsValidTag(block, tag::kFileEntry)) {
        return false;
    }
    State().track->udfStatus = 'f';
    const std::uint8_t type = Le8(block, entry_field::kFileType);
    return type == entry_field::kVatType || (type == 0 && IsVatFileEntry(block, partitionStart));
}

void LogVatReadError(std::int32_t block, bool fatal) {
    if (!DebugOn() || Device() == nullptr) {
        return;
    }
    if (fatal) {
        DebugLog("Error %02x %02x reading VAT sector %d - fatal", Device()->senseAsc,
                 Device()->senseAscq, block);
    } else {
        DebugLog("Error reading %02x:%02x VAT sector %d", Device()->senseAsc, Device()->senseAscq,
                 block);
    }
}

// Reads the extents of the VAT into `table`; false after an unreadable
// first piece.
bool ReadVatExtents(std::span<const std::uint8_t> area, AllocationType type, std::int32_t count,
                    std::int32_t partitionStart, std::vector<std::uint8_t>& table) {
    std::size_t offset = 0;
    bool first = true;
    AllocationDescriptor descriptor;
    for (std::int32_t i = 0;
         i < count && DescriptorAt(area, i * DescriptorSize(type), type, descriptor) &&
         !descriptor.empty();
         ++i) {
        const std::int32_t block = partitionStart + descriptor.position;
        const std::uint32_t whole = descriptor.length / kBlockSizeBytes;
        const std::size_t rest = descriptor.length % kBlockSizeBytes;
        if (whole > 0) {
            const std::span<std::uint8_t> piece(table.data() + offset,
                                                std::size_t{whole} * kBlockSizeBytes);
            if (!ReadBlocks(block, piece, whole)) {
                LogVatReadError(block, first);
                if (first) {
                    return false;
                }
                std::fill(piece.begin(), piece.end(), 0xFF);
            }
            first = false;
            offset += piece.size();
        }
        if (rest > 0) {
            const std::int32_t last = block + static_cast<std::int32_t>(whole);
            std::array<std::uint8_t, 2048> bytes{};
            const std::span<std::uint8_t> piece(table.data() + offset, rest & ~std::size_t{3});
            if (ReadBlocks(last, bytes)) {
                std::copy_n(bytes.begin(), piece.size(), piece.begin());
            } else {
                LogVatReadError(last, first);
                if (first) {
                    return false;
                }
                std::fill(piece.begin(), piece.end(), 0xFF);
            }
            first = false;
            offset += rest;
        }
    }
    return true;
}

bool LoadVat(std::span<const std::uint8_t, 2048> entry, std::int32_t block,
             std::int32_t partitionStart) {
    TrackInfo& track = *State().track;
    std::uint32_t size = Le32(entry, entry_field::kInformationLength);
    if (size == 0) {
        size = 40;
    }
    const AllocationType type = EntryAllocationType(entry);
    if (type == AllocationType::Extended) {
        track.udfStatus = 'g';
        return false;
    }
    const std::span<const std::uint8_t> area = AllocationArea(entry);
    const auto count = static_cast<std::int32_t>(
        std::min<std::uint32_t>(Le32(entry, entry_field::kBlocksRecorded), 2048));
    std::uint64_t sum = 0;
    AllocationDescriptor descriptor;
    if (type != AllocationType::Embedded) {
        for (std::int32_t i = 0;
             i < count && DescriptorAt(area, i * DescriptorSize(type), type, descriptor) &&
             !descriptor.empty();
             ++i) {
            sum += descriptor.length;
        }
    }
    const std::uint64_t tableSize = std::max<std::uint64_t>(size, sum);
    if (tableSize > kMaxVatBytes) {
        track.udfStatus = 'h';
        return false;
    }
    MapTable table;
    table.kind = MapTable::Kind::Vat;
    try {
        table.bytes.assign(static_cast<std::size_t>(tableSize), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (type == AllocationType::Embedded) {
        std::copy_n(area.begin(), std::min<std::size_t>(area.size(), table.bytes.size()),
                    table.bytes.begin());
    } else if (!ReadVatExtents(area, type, count, partitionStart, table.bytes)) {
        track.udfStatus = 'h';
        return false;
    }
    // A VAT of UDF 2.00 and later (its own file type) opens with a header
    // whose first field is its length; the entries follow it. The older
    // form ends in a regid and the previous VAT's block instead.
    std::size_t first = 0;
    std::size_t trailer = kVatTrailer;
    if (Le8(entry, entry_field::kFileType) == entry_field::kVatType) {
        first = std::min<std::size_t>(Le16(table.bytes, 0), size);
        trailer = 0;
    }
    table.vatFirstEntry = first;
    table.vatEntryCount =
        size > first + trailer ? static_cast<std::int32_t>((size - first - trailer) / 4) : 0;
    Dump(entry, "VAT File Entry");
    Dump(std::span<const std::uint8_t>(table.bytes)
             .first(std::min<std::size_t>(table.bytes.size(), 8192)),
         "VAT Table");
    State().map = std::move(table);
    State().rememberedVatBlock = block;
    track.udfStatus = 0;
    return true;
}

}  // namespace

bool IsVatFileEntry(std::span<const std::uint8_t> entry, std::int32_t partitionStart) {
    const AllocationType type = EntryAllocationType(entry);
    const std::uint32_t length = Le32(entry, entry_field::kInformationLength);
    if (type == AllocationType::Extended) {
        return true;
    }
    const std::span<const std::uint8_t> area = AllocationArea(entry);
    if (type == AllocationType::Embedded) {
        const std::int64_t end = length != 0 ? length : 40;
        return HasIdentifierAt(area, end - kVatIdentifierBack);
    }
    // The block that holds the data's last byte, found by walking the
    // extents; the identifier must lie wholly inside it.
    std::uint32_t remaining = length;
    AllocationDescriptor descriptor;
    for (std::size_t offset = 0;
         remaining > 0 && DescriptorAt(area, offset, type, descriptor) && !descriptor.empty();
         offset += DescriptorSize(type)) {
        if (remaining > descriptor.length) {
            remaining -= descriptor.length;
            continue;
        }
        const std::int32_t block = partitionStart + descriptor.position +
                                   static_cast<std::int32_t>((remaining - 1) / kBlockSizeBytes);
        std::array<std::uint8_t, 2048> bytes{};
        if (!ReadBlocks(block, bytes)) {
            return false;
        }
        const std::int64_t end = (remaining - 1) % kBlockSizeBytes + 1;
        return HasIdentifierAt(bytes, end - kVatIdentifierBack);
    }
    return false;
}

bool FindVat(std::span<std::uint8_t, 2048> buffer, TrackInfo& track, std::int32_t partitionStart,
             bool forwards) {
    ReaderState& state = State();
    TrackInfo* search = SearchTrack(track);
    TrackInfo* shown = forwards ? StatusTrack(track) : search;
    const bool retry = (track.flags & udf_track_flags::kEarlierVatRetry) != 0;
    track.udfStatus = 'e';
    QuietReads quiet;
    const auto started = std::chrono::steady_clock::now();
    bool asked = false;
    std::int32_t found = -1;
    for (TrackInfo* at = search; at != nullptr && at->session == search->session &&
                                 IsIncremental(*at) == IsIncremental(*search);
         at = NextTrack(*at)) {
        if (at != &track) {
            at->flags |= track_flags::kContinuation;
        }
        if (!forwards) {
            std::int32_t first = at->nextWritable != 0 ? at->nextWritable - 8
                                 : at->freeBlocks != 0 ? at->end - at->freeBlocks
                                                       : at->end - 1;
            if (retry) {
                first = state.rememberedVatBlock - 1;
            }
            if (DebugOn()) {
                DebugLog("VAT search, looking at %d for %d.", first, kBackwardBlocks);
            }
            for (std::int32_t block = first; block > first - kBackwardBlocks && block >= 0;
                 --block) {
                if (Cancelled()) {
                    return false;
                }
                if (ReadEntryBlock(block, buffer) && IsVat(buffer, partitionStart)) {
                    return LoadVat(buffer, block, partitionStart);
                }
            }
            continue;
        }
        const std::int32_t from = std::max(partitionStart, at->start);
        const std::int32_t to = retry ? std::min(at->end, state.rememberedVatBlock) : at->end;
        if (DebugOn()) {
            DebugLog("VAT search, looking at %d for %d.", from, to - from);
        }
        for (std::int32_t block = from; block < to; ++block) {
            if (Cancelled()) {
                return false;
            }
            if ((block - from) % 5 == 0) {
                StatusText(114, shown->track, block);
            }
            if (!asked && std::chrono::steady_clock::now() - started > kLongSearch) {
                asked = true;
                if (ShowMessage(MessageArg(116, style::kYesNo)) == answer::kNo) {
                    return false;
                }
            }
            if (ReadEntryBlock(block, buffer) && IsVat(buffer, partitionStart)) {
                found = block;
                if (DebugOn()) {
                    DebugLog("Found VAT at %d", block);
                }
            }
        }
    }
    if (found < 0 || !ReadEntryBlock(found, buffer)) {
        return false;
    }
    track.flags |= track_flags::kUdfVatBySearch;
    return LoadVat(buffer, found, partitionStart);
}

}  // namespace kel::diag::udf
