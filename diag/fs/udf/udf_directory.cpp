#include <algorithm>

#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_entry.h"
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/fs/udf/used_block_bitmap.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"

namespace kel::diag {
namespace {

using namespace udf;

// A directory of this size holds some hundred thousand entries; a larger
// length is damage, and only this much of it is read.
constexpr std::uint32_t kMaxDirectoryBytes = 16 * 1024 * 1024;

constexpr std::size_t kAttributeHeaderSize = 24;
constexpr std::size_t kAttributeFixedPart = 12;
constexpr std::size_t kIdentifierFixedPart = 38;

// Directory data may open with the extended attributes of its file entry;
// the identifiers follow them.
std::size_t SkipAttributes(std::span<const std::uint8_t> data) {
    if (Le16(data, 0) != tag::kExtendedAttributeHeader) {
        return 0;
    }
    std::size_t at = kAttributeHeaderSize;
    while (at + kAttributeFixedPart <= data.size() && data[at + 5] == 0 && data[at + 6] == 0 &&
           data[at + 7] == 0) {
        const std::uint32_t length = Le32(data, at + 8);
        if (length < kAttributeFixedPart || length > data.size() - at) {
            break;
        }
        at += length;
    }
    return at;
}

}  // namespace

FileNode* ReadUdfDirectory(FileNode& directory, std::span<const std::uint8_t> fileEntry) {
    ReaderState& state = State();
    int error = 0;
    const std::uint16_t id = TagId(fileEntry);
    if (!CheckUdfTag(fileEntry, &error) ||
        (id != tag::kFileEntry && id != tag::kExtendedAttributeHeader)) {
        state.structureErrors = true;
        if (DebugOn()) {
            DebugLog("Invalid Directory Entry, code=%d", id);
            Dump(fileEntry, "Invalid Directory Entry");
        }
        return nullptr;
    }
    std::uint32_t length = Le32(fileEntry, entry_field::kInformationLength);
    const AllocationType type = EntryAllocationType(fileEntry);
    const std::span<const std::uint8_t> area = AllocationArea(fileEntry);
    if (type == AllocationType::Embedded) {
        return ParseFileIdentifiers(area, directory);
    }
    if (type == AllocationType::Extended) {
        if (DebugOn()) {
            DebugLog("Encountered type-2 directory pointer");
        }
        return nullptr;
    }
    if (length > kMaxDirectoryBytes) {
        state.structureErrors = true;
        length = kMaxDirectoryBytes;
    }
    TrackedBuffer data(std::size_t{length} + kBlockSizeBytes, __FILE__, __LINE__);
    if (data.empty()) {
        return nullptr;
    }
    const std::span<std::uint8_t> bytes = data.bytes();
    const std::uint32_t count = Le32(fileEntry, entry_field::kBlocksRecorded);
    std::size_t filled = 0;
    AllocationDescriptor descriptor;
    for (std::uint32_t i = 0;
         i < count && DescriptorAt(area, i * DescriptorSize(type), type, descriptor); ++i) {
        const std::int32_t block = MarkBlockUsed(TranslateUdfBlock(
            descriptor.position, type == AllocationType::Short ? 0 : descriptor.partition));
        if (descriptor.position == 0 || block >= state.discEnd) {
            state.structureErrors = true;
            continue;
        }
        const std::uint32_t blocks = (descriptor.length + kBlockSizeBytes - 1) / kBlockSizeBytes;
        // The extents may claim more than the data length made room for.
        if (std::size_t{blocks} * kBlockSizeBytes > bytes.size() - filled) {
            state.structureErrors = true;
            break;
        }
        if (blocks > 0 && !ReadBlocks(block, bytes.subspan(filled), blocks)) {
            length = static_cast<std::uint32_t>(filled);
            break;
        }
        filled += descriptor.length;
    }
    return ParseFileIdentifiers(bytes.first(std::min<std::size_t>(length, filled)), directory);
}

FileNode* ParseFileIdentifiers(std::span<const std::uint8_t> data, FileNode& directory) {
    ReaderState& state = State();
    std::size_t at = SkipAttributes(data);
    int error = 0;
    const std::span<const std::uint8_t> firstIdentifier = Tail(data, at);
    if (TagId(firstIdentifier) != tag::kFileIdentifier || !CheckUdfTag(firstIdentifier, &error)) {
        state.structureErrors = true;
        if (DebugOn()) {
            DebugLog("Invalid UDF File Identifier block, err=%d", error);
            Dump(firstIdentifier.first(
                     std::min<std::size_t>(firstIdentifier.size(), kBlockSizeBytes)),
                 "Invalid UDF File Identifier block");
        }
        return nullptr;
    }
    FileNode* first = nullptr;
    FileNode* previous = nullptr;
    while (at < data.size()) {
        const CdDevice* device = Device();
        if (device != nullptr && device->cancelled != 0) {
            break;
        }
        const std::span<const std::uint8_t> identifier = data.subspan(at);
        // Identifiers lie back to back; anything else ends the directory.
        if (identifier.size() < kIdentifierFixedPart || TagId(identifier) != tag::kFileIdentifier) {
            state.structureErrors = true;
            break;
        }
        // The name follows the implementation use, and both count in the
        // identifier's size.
        const std::size_t size =
            (kIdentifierFixedPart + Le16(identifier, identifier_field::kImplementationUseLength) +
             identifier[identifier_field::kIdentifierLength] + 3) &
            ~std::size_t{3};
        // An identifier reaching past the directory is damage like any
        // other: the block scan has to find what lies behind it.
        if (size > identifier.size()) {
            state.structureErrors = true;
            break;
        }
        const std::uint8_t characteristics = identifier[identifier_field::kCharacteristics];
        if ((characteristics & identifier_field::kParent) == 0) {
            const std::int32_t entry =
                TranslateUdfBlock(Block32(identifier, identifier_field::kIcbBlock),
                                  Le16(identifier, identifier_field::kIcbPartition));
            if (static_cast<std::uint32_t>(entry) == directory.reserved1) {
                directory.flags |= udf_node_flags::kSelfReference;
            } else if (FileNode* node =
                           ReadUdfFileEntry(directory, previous, identifier.first(size))) {
                if ((characteristics & identifier_field::kDeleted) != 0) {
                    node->flags |= udf_node_flags::kDeleted;
                }
                first = first != nullptr ? first : node;
                previous = node;
            }
        }
        if (StopScan().exchange(false)) {
            break;
        }
        at += size;
    }
    return first;
}

}  // namespace kel::diag
