#include "tests/diag/fs/iso/iso_builder.h"

#include <algorithm>

namespace kel::diag::testing {
namespace {

void putBoth32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        bytes[at + 7 - i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void putText(std::span<std::uint8_t> bytes, std::size_t at, std::string_view text,
             std::size_t width) {
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), width, ' ');
    std::copy_n(text.begin(), std::min(text.size(), width),
                bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void putRecord(std::span<std::uint8_t> bytes, std::size_t at, const Entry& entry, bool highSierra) {
    const std::vector<std::uint8_t> record = RecordBytes(entry, highSierra);
    std::copy(record.begin(), record.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

std::string Ucs2(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    return bytes;
}

std::vector<std::uint8_t> NameEntry(std::string_view name, std::uint8_t flags) {
    std::vector<std::uint8_t> entry(5 + name.size(), 0);
    entry[0] = 'N';
    entry[1] = 'M';
    entry[2] = static_cast<std::uint8_t>(entry.size());
    entry[3] = 1;
    entry[4] = flags;
    std::copy(name.begin(), name.end(), entry.begin() + 5);
    return entry;
}

std::vector<std::uint8_t> ContinuationEntry(std::uint32_t block, std::uint32_t offset,
                                            std::uint32_t length) {
    std::vector<std::uint8_t> entry(28, 0);
    entry[0] = 'C';
    entry[1] = 'E';
    entry[2] = 28;
    entry[3] = 1;
    putBoth32(entry, 4, block);
    putBoth32(entry, 12, offset);
    putBoth32(entry, 20, length);
    return entry;
}

std::vector<std::uint8_t> RecordBytes(const Entry& entry, bool highSierra) {
    const std::size_t idLength = entry.identifier.size();
    const std::size_t length = 33 + idLength + (idLength % 2 == 0 ? 1 : 0) + entry.systemUse.size();
    std::vector<std::uint8_t> record(length, 0);
    record[0] = entry.recordLength.value_or(static_cast<std::uint8_t>(length));
    putBoth32(record, 2, entry.extent);
    putBoth32(record, 10, entry.size);
    std::copy(entry.date.begin(), entry.date.end(), record.begin() + 18);
    record[highSierra ? 24 : 25] = entry.flags;
    record[28] = 1;
    record[31] = 1;
    record[32] = static_cast<std::uint8_t>(idLength);
    std::copy(entry.identifier.begin(), entry.identifier.end(), record.begin() + 33);
    std::copy(entry.systemUse.begin(), entry.systemUse.end(),
              record.end() - static_cast<std::ptrdiff_t>(entry.systemUse.size()));
    return record;
}

std::vector<Entry> DotEntries(std::uint32_t self, std::uint32_t parent) {
    return {Entry{kDot, self, 2048, kDirectory}, Entry{kDotDot, parent, 2048, kDirectory}};
}

void ImageBuilder::descriptor(std::uint32_t at, const std::string& volumeId,
                              std::uint32_t volumeBlocks, std::uint32_t rootExtent,
                              std::uint32_t rootSize, std::uint32_t pathTable,
                              const std::string& escape) {
    std::span<std::uint8_t> b = block(at);
    b[0] = escape.empty() ? 1 : 2;
    putText(b, 1, "CD001", 5);
    b[6] = 1;
    putText(b, 8, "LINUX", 32);
    if (escape.empty()) {
        putText(b, 40, volumeId, 32);
    } else {
        // Joliet pads its UCS-2 identifier with UCS-2 blanks.
        std::fill_n(b.begin() + 40, 32, 0);
        for (std::size_t i = 1; i < 32; i += 2) {
            b[40 + i] = ' ';
        }
        std::copy_n(volumeId.begin(), std::min<std::size_t>(volumeId.size(), 32), b.begin() + 40);
        std::copy(escape.begin(), escape.end(), b.begin() + 88);
    }
    putBoth32(b, 80, volumeBlocks);
    b[120] = b[123] = 1;
    b[124] = b[127] = 1;
    b[128] = 0x00;
    b[129] = 0x08;
    b[130] = 0x08;
    b[140] = static_cast<std::uint8_t>(pathTable);
    b[141] = static_cast<std::uint8_t>(pathTable >> 8);
    putRecord(b, 156, Entry{kDot, rootExtent, rootSize, kDirectory}, false);
}

void ImageBuilder::terminator(std::uint32_t at) {
    std::span<std::uint8_t> b = block(at);
    b[0] = 255;
    putText(b, 1, "CD001", 5);
    b[6] = 1;
}

void ImageBuilder::highSierraDescriptor(std::uint32_t at, const std::string& volumeId,
                                        std::uint32_t volumeBlocks, std::uint32_t rootExtent,
                                        std::uint32_t rootSize) {
    std::span<std::uint8_t> b = block(at);
    putBoth32(b, 0, at);
    b[8] = 1;
    putText(b, 9, "CDROM", 5);
    b[14] = 1;
    putText(b, 16, "LINUX", 32);
    putText(b, 48, volumeId, 32);
    putBoth32(b, 88, volumeBlocks);
    Entry root{kDot, rootExtent, rootSize, kDirectory};
    root.date = {88, 7, 14, 9, 30, 0, 0};
    putRecord(b, 180, root, true);
}

void ImageBuilder::pathTable(std::uint32_t at, std::uint32_t rootExtent) {
    std::span<std::uint8_t> b = block(at);
    b[0] = 1;
    b[1] = 0;
    b[2] = static_cast<std::uint8_t>(rootExtent);
    b[3] = static_cast<std::uint8_t>(rootExtent >> 8);
    b[4] = static_cast<std::uint8_t>(rootExtent >> 16);
    b[5] = static_cast<std::uint8_t>(rootExtent >> 24);
    b[6] = 1;
}

void ImageBuilder::directory(std::uint32_t at, const std::vector<Entry>& entries, bool highSierra) {
    std::size_t pos = 0;
    for (const Entry& entry : entries) {
        const std::vector<std::uint8_t> record = RecordBytes(entry, highSierra);
        if (pos + record.size() > 2048) {
            ++at;
            pos = 0;
        }
        std::copy(record.begin(), record.end(),
                  block(at).begin() + static_cast<std::ptrdiff_t>(pos));
        pos += record.size();
    }
}

}  // namespace kel::diag::testing
