// Discs built byte by byte, for the layouts that no mastering tool makes on
// purpose: shifted and offset images, damaged records, deep trees,
// multi-extent files without four gigabytes of data.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kel::diag::testing {

inline const std::string kDot(1, '\0');
inline const std::string kDotDot(1, '\1');

inline constexpr std::uint8_t kDirectory = 0x02;
inline constexpr std::uint8_t kMultiExtent = 0x80;

// One directory record as a writer would lay it out, unless told otherwise.
struct Entry {
    Entry(std::string id, std::uint32_t start, std::uint32_t length, std::uint8_t flagBits = 0)
        : identifier(std::move(id)), extent(start), size(length), flags(flagBits) {}

    std::string identifier;  // the recorded bytes
    std::uint32_t extent = 0;
    std::uint32_t size = 0;
    std::uint8_t flags = 0;
    std::vector<std::uint8_t> systemUse;
    std::array<std::uint8_t, 7> date{};
    std::optional<std::uint8_t> recordLength;  // a damaged length byte
};

// Big-endian UCS-2 bytes of `text`, as Joliet records names.
std::string Ucs2(std::u16string_view text);
// A Rock Ridge "NM" entry holding `name`; flag 1 says the name goes on.
std::vector<std::uint8_t> NameEntry(std::string_view name, std::uint8_t flags = 0);
// A "CE" entry naming the continuation area at `block`.
std::vector<std::uint8_t> ContinuationEntry(std::uint32_t block, std::uint32_t offset,
                                            std::uint32_t length);

class ImageBuilder {
public:
    explicit ImageBuilder(std::uint32_t blocks) : bytes(std::size_t{blocks} * 2048, 0) {}

    std::span<std::uint8_t> block(std::uint32_t n) {
        return std::span<std::uint8_t>(bytes).subspan(std::size_t{n} * 2048, 2048);
    }

    // A primary (type 1) or, with an escape sequence, supplementary (type 2)
    // volume descriptor.
    void descriptor(std::uint32_t at, const std::string& volumeId, std::uint32_t volumeBlocks,
                    std::uint32_t rootExtent, std::uint32_t rootSize, std::uint32_t pathTable,
                    const std::string& escape = {});
    void terminator(std::uint32_t at);
    void highSierraDescriptor(std::uint32_t at, const std::string& volumeId,
                              std::uint32_t volumeBlocks, std::uint32_t rootExtent,
                              std::uint32_t rootSize);
    // A type L path table whose first record is the root's.
    void pathTable(std::uint32_t at, std::uint32_t rootExtent);
    // The records from the start of block `at` on, a record that does not fit
    // going to the next block.
    void directory(std::uint32_t at, const std::vector<Entry>& entries, bool highSierra = false);

    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> RecordBytes(const Entry& entry, bool highSierra = false);

// A directory's . and .. records.
std::vector<Entry> DotEntries(std::uint32_t self, std::uint32_t parent);

}  // namespace kel::diag::testing
