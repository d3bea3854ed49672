// Hand-built UDF volumes in a MemoryDevice: each descriptor written with a
// valid tag, so that a test can damage exactly the field it is about.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/diag/support/memory_device.h"

namespace kel::diag::testing {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

inline void Checksum(std::span<std::uint8_t> b) {
    unsigned sum = 0;
    for (int i = 0; i < 16; ++i) {
        sum += i == 4 ? 0 : b[i];
    }
    b[4] = static_cast<std::uint8_t>(sum);
}

// Writes the tag last, over a body already filled in.
inline void Seal(std::span<std::uint8_t> b, std::uint16_t id, std::uint32_t location) {
    Put16(b, 0, id);
    Put16(b, 2, 2);
    b[5] = 0;
    Put16(b, 10, 496);
    Put32(b, 12, location);
    Checksum(b);
}

// A d-string or file identifier of 8-bit characters.
inline Bytes Cs0(const std::string& text) {
    Bytes bytes{8};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

inline Bytes Fid(const std::string& name, std::int32_t icb, std::uint8_t characteristics = 0,
                 std::uint16_t reference = 0) {
    const Bytes identifier = name.empty() ? Bytes{} : Cs0(name);
    Bytes fid((38 + identifier.size() + 3) & ~std::size_t{3}, 0);
    fid[18] = characteristics;
    fid[19] = static_cast<std::uint8_t>(identifier.size());
    Put32(fid, 20, 2048);
    Put32(fid, 24, static_cast<std::uint32_t>(icb));
    Put16(fid, 28, reference);
    std::copy(identifier.begin(), identifier.end(), fid.begin() + 38);
    Seal(fid, 257, 0);
    return fid;
}

struct Extent {
    std::int32_t position;
    std::uint32_t length;
};

class UdfBuilder {
public:
    UdfBuilder(MemoryDevice& device, std::int32_t partitionStart = 300,
               std::int32_t partitionLength = 200)
        : device_(&device), start_(partitionStart), length_(partitionLength) {
        device_->block(partitionStart + partitionLength + 100);
    }

    std::int32_t start() const { return start_; }
    std::span<std::uint8_t, 2048> logical(std::int32_t block) {
        return device_->block(start_ + block);
    }

    void anchor(std::int32_t at, std::int32_t main, std::int32_t reserve = 0) {
        auto b = device_->block(at);
        Put32(b, 16, 16 * 2048);
        Put32(b, 20, static_cast<std::uint32_t>(main));
        Put32(b, 24, reserve != 0 ? 16 * 2048 : 0);
        Put32(b, 28, static_cast<std::uint32_t>(reserve));
        Seal(b, 2, static_cast<std::uint32_t>(at));
    }
    // Partition, logical volume and terminating descriptor from `at` on.
    void sequence(std::int32_t at, const std::string& label, std::int32_t fileSet,
                  std::uint32_t access = 1) {
        auto pd = device_->block(at);
        Put32(pd, 184, access);
        Put32(pd, 188, static_cast<std::uint32_t>(start_));
        Put32(pd, 192, static_cast<std::uint32_t>(length_));
        Seal(pd, 5, static_cast<std::uint32_t>(at));
        auto lvd = device_->block(at + 1);
        const Bytes name = Cs0(label);
        std::copy(name.begin(), name.end(), lvd.begin() + 84);
        lvd[211] = static_cast<std::uint8_t>(name.size());
        Put32(lvd, 248, 2048);
        Put32(lvd, 252, static_cast<std::uint32_t>(fileSet));
        const std::string implementation = "*Kel Test Writer";
        std::copy(implementation.begin(), implementation.end(), lvd.begin() + 273);
        lvd[440] = 1;
        lvd[441] = 6;
        Seal(lvd, 6, static_cast<std::uint32_t>(at + 1));
        Seal(device_->block(at + 2), 8, static_cast<std::uint32_t>(at + 2));
    }
    void fileSet(std::int32_t at, std::int32_t root, std::uint16_t id = 256) {
        auto b = logical(at);
        Put16(b, 16, 0x1000);
        Put16(b, 18, 2026);
        b[20] = 12;
        b[21] = 9;
        Put32(b, 400, 2048);
        Put32(b, 404, static_cast<std::uint32_t>(root));
        Seal(b, id, static_cast<std::uint32_t>(at));
    }
    // A file entry with short descriptors (type 0) or long ones (type 1).
    void fileEntry(std::int32_t at, std::uint8_t fileType, std::uint32_t length,
                   const std::vector<Extent>& extents, int type = 0) {
        auto b = logical(at);
        std::fill(b.begin(), b.end(), 0);
        b[27] = fileType;
        Put16(b, 34, static_cast<std::uint32_t>(type));
        Put32(b, 56, length);
        Put32(b, 64, static_cast<std::uint32_t>(extents.size()));
        Put16(b, 84 + 2, 2025);
        b[84 + 4] = 7;
        b[84 + 5] = 14;
        const std::size_t size = type == 1 ? 16 : 8;
        Put32(b, 172, static_cast<std::uint32_t>(extents.size() * size));
        for (std::size_t i = 0; i < extents.size(); ++i) {
            Put32(b, 176 + i * size, extents[i].length);
            Put32(b, 176 + i * size + 4, static_cast<std::uint32_t>(extents[i].position));
        }
        Seal(b, 261, static_cast<std::uint32_t>(at));
    }
    // Rewrites the file entry at `at` as the extended file entry (tag 266)
    // with the same fields, as UDF 2.00 and later record them.
    void makeExtended(std::int32_t at) {
        auto b = logical(at);
        const Bytes plain(b.begin(), b.end());
        std::fill(b.begin() + 36, b.end(), 0);
        std::copy_n(plain.begin() + 36, 20, b.begin() + 36);  // ids, permissions, links
        std::copy_n(plain.begin() + 56, 8, b.begin() + 56);   // information length
        std::copy_n(plain.begin() + 56, 8, b.begin() + 64);   // object size
        std::copy_n(plain.begin() + 64, 8, b.begin() + 72);
        std::copy_n(plain.begin() + 72, 12, b.begin() + 80);
        std::copy_n(plain.begin() + 84, 12, b.begin() + 92);
        std::copy_n(plain.begin() + 168, 8, b.begin() + 208);
        std::copy(plain.begin() + 176, plain.end() - 40, b.begin() + 216);
        Seal(b, 266, static_cast<std::uint32_t>(at));
    }
    void embeddedEntry(std::int32_t at, std::uint8_t fileType, const Bytes& data) {
        auto b = logical(at);
        std::fill(b.begin(), b.end(), 0);
        b[27] = fileType;
        Put16(b, 34, 3);
        Put32(b, 56, static_cast<std::uint32_t>(data.size()));
        Put32(b, 172, static_cast<std::uint32_t>(data.size()));
        std::copy(data.begin(), data.end(), b.begin() + 176);
        Seal(b, 261, static_cast<std::uint32_t>(at));
    }
    void data(std::int32_t at, const Bytes& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            logical(at + static_cast<std::int32_t>(i / 2048))[i % 2048] = bytes[i];
        }
    }
    // A directory whose identifiers lie in one block at `dataAt`.
    void directory(std::int32_t at, std::int32_t dataAt, const std::vector<Bytes>& identifiers) {
        Bytes bytes;
        for (const Bytes& fid : identifiers) {
            bytes.insert(bytes.end(), fid.begin(), fid.end());
        }
        data(dataAt, bytes);
        fileEntry(at, 4, static_cast<std::uint32_t>(bytes.size()),
                  {{dataAt, static_cast<std::uint32_t>(bytes.size())}});
    }

    // Anchor at 256, sequence at 32, file set at 0, root entry at 1 (data
    // at 2) holding README.TXT (entry 3, 100 bytes at 10) and SUB (entry 4,
    // data at 5) holding A.BIN (entry 6, 5000 bytes at 20).
    void standardVolume() {
        anchor(256, 32);
        sequence(32, "KELUDF", 0);
        fileSet(0, 1);
        directory(1, 2, {Fid("", 1, 0x0A), Fid("README.TXT", 3), Fid("SUB", 4, 0x02)});
        fileEntry(3, 5, 100, {{10, 100}});
        data(10, Bytes(100, 'r'));
        directory(4, 5, {Fid("", 1, 0x0A), Fid("A.BIN", 6)});
        fileEntry(6, 5, 5000, {{20, 5000}});
        data(20, Bytes(5000, 'a'));
    }

private:
    MemoryDevice* device_;
    std::int32_t start_;
    std::int32_t length_;
};

}  // namespace kel::diag::testing
