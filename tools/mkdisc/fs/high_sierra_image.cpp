// High Sierra volumes, the format CD-ROMs used before ISO 9660. Its structures
// are ISO 9660's with other field positions: the volume descriptor begins
// with its own block number and says "CDROM" at byte 9, directory record
// dates have no time zone byte (so the flags move to byte 24), and path
// table records put the extent first.
#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "tools/mkdisc/fs/high_sierra_layout.h"
#include "tools/mkdisc/fs/image_file.h"
#include "tools/mkdisc/fs/image_makers.h"
#include "tools/mkdisc/fs/tool_step.h"

namespace kel::mkdisc::fs {

namespace {

constexpr std::uint8_t kStandardVolume = 1;
constexpr std::uint8_t kTerminator = 255;
constexpr std::uint8_t kDirectoryFlag = 0x02;
constexpr std::size_t kRootRecordAt = 180;

using Bytes = std::vector<std::uint8_t>;

void putLittle(Bytes& out, std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void putBig(Bytes& out, std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
    }
}

// Both byte orders, little first, as every two-way field of the format.
void putBoth(Bytes& out, std::size_t at, std::uint64_t value, int size) {
    putLittle(out, at, value, size);
    putBig(out, at + size, value, size);
}

void putPadded(Bytes& out, std::size_t at, const std::string& text, std::size_t field) {
    for (std::size_t i = 0; i < field; ++i) {
        out[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    }
}

void putText(Bytes& out, std::size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

struct Stamp {
    std::tm time{};
};

Stamp now() {
    Stamp stamp;
    const std::time_t seconds = std::time(nullptr);
    gmtime_r(&seconds, &stamp.time);
    return stamp;
}

// A directory record at `at`: extent, data length, the six-byte date (years
// since 1900 .. seconds), flags at 24, volume sequence number, identifier.
void putRecord(Bytes& out, std::size_t at, const std::string& identifier, std::uint32_t extent,
               std::uint64_t size, bool directory, const Stamp& stamp) {
    out[at] = static_cast<std::uint8_t>(hsRecordLength(identifier));
    putBoth(out, at + 2, extent, 4);
    putBoth(out, at + 10, size, 4);
    const std::array<int, 6> date = {stamp.time.tm_year, stamp.time.tm_mon + 1, stamp.time.tm_mday,
                                     stamp.time.tm_hour, stamp.time.tm_min,     stamp.time.tm_sec};
    for (std::size_t i = 0; i < date.size(); ++i) {
        out[at + 18 + i] = static_cast<std::uint8_t>(date[i]);
    }
    out[at + 24] = directory ? kDirectoryFlag : 0;
    putBoth(out, at + 28, 1, 2);
    out[at + 32] = static_cast<std::uint8_t>(identifier.size());
    putText(out, at + 33, identifier);
}

// "YYYYMMDDHHMMSSHH": the volume descriptor's dates, hundredths last.
std::string dateText(const Stamp& stamp) {
    char text[96];  // room for any int, so no field is cut
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", stamp.time.tm_year + 1900,
                  stamp.time.tm_mon + 1, stamp.time.tm_mday, stamp.time.tm_hour, stamp.time.tm_min,
                  stamp.time.tm_sec);
    return text;
}

Bytes volumeDescriptor(const HsLayout& layout, const std::string& volumeId, const Stamp& stamp) {
    Bytes out(kHsBlockSize, 0);
    putBoth(out, 0, kHsDescriptorBlock, 4);
    out[8] = kStandardVolume;
    putText(out, 9, "CDROM");
    out[14] = 1;                       // version
    putPadded(out, 16, "KEL", 32);     // system identifier
    putPadded(out, 48, volumeId, 32);  // volume identifier
    putBoth(out, 88, layout.volumeBlocks, 4);
    putBoth(out, 128, 1, 2);  // volume set size
    putBoth(out, 132, 1, 2);  // volume sequence number
    putBoth(out, 136, kHsBlockSize, 2);
    putBoth(out, 140, layout.pathTableSize, 4);
    putLittle(out, 148, layout.pathTableL, 4);
    putBig(out, 164, layout.pathTableM, 4);
    const HsDirectory& root = layout.directories.front();
    putRecord(out, kRootRecordAt, root.identifier, root.extent, root.size, true, stamp);
    putPadded(out, 214, "", 128);            // volume set
    putPadded(out, 342, "", 128);            // publisher
    putPadded(out, 470, "KEL", 128);         // data preparer
    putPadded(out, 598, "KEL MKDISC", 128);  // application
    putPadded(out, 726, "", 32);             // copyright file
    putPadded(out, 758, "", 32);             // abstract file
    const std::string created = dateText(stamp);
    putText(out, 790, created);
    putText(out, 806, created);
    putText(out, 822, std::string(16, '0'));  // never expires
    putText(out, 838, created);
    out[854] = 1;  // file structure version
    return out;
}

Bytes terminator() {
    Bytes out(kHsBlockSize, 0);
    putBoth(out, 0, kHsDescriptorBlock + 1, 4);
    out[8] = kTerminator;
    putText(out, 9, "CDROM");
    out[14] = 1;
    return out;
}

// One path table, whole blocks; `bigEndian` picks the M table.
Bytes pathTable(const HsLayout& layout, bool bigEndian) {
    Bytes out(static_cast<std::size_t>(layout.pathTableM - layout.pathTableL) * kHsBlockSize, 0);
    std::size_t at = 0;
    for (const HsDirectory& directory : layout.directories) {
        if (bigEndian) {
            putBig(out, at, directory.extent, 4);
            putBig(out, at + 6, directory.parent, 2);
        } else {
            putLittle(out, at, directory.extent, 4);
            putLittle(out, at + 6, directory.parent, 2);
        }
        out[at + 5] = static_cast<std::uint8_t>(directory.identifier.size());
        putText(out, at + 8, directory.identifier);
        at += hsPathRecordLength(directory.identifier);
    }
    return out;
}

Bytes directoryExtent(const HsLayout& layout, const HsDirectory& directory, const Stamp& stamp) {
    Bytes out(directory.size, 0);
    const HsDirectory& parent = layout.directories[directory.parent - 1];
    putRecord(out, 0, std::string(1, '\0'), directory.extent, directory.size, true, stamp);
    std::size_t at = hsRecordLength(std::string(1, '\0'));
    putRecord(out, at, std::string(1, '\1'), parent.extent, parent.size, true, stamp);
    at += hsRecordLength(std::string(1, '\1'));
    for (const HsRecord& record : directory.records) {
        const std::uint32_t length = hsRecordLength(record.identifier);
        if (at % kHsBlockSize + length > kHsBlockSize) {
            at += kHsBlockSize - at % kHsBlockSize;
        }
        if (record.directory) {
            const HsDirectory& child = layout.directories[record.target];
            putRecord(out, at, record.identifier, child.extent, child.size, true, stamp);
        } else {
            const HsFile& file = layout.files[record.target];
            putRecord(out, at, record.identifier, file.extent, file.size, false, stamp);
        }
        at += length;
    }
    return out;
}

bool write(std::ofstream& out, const Bytes& bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Copies a file's bytes and pads its last block; false when it cannot be
// read or no longer has the size it was laid out with.
bool copyFile(std::ofstream& out, const SourceEntry& entry) {
    std::ifstream in(entry.source, std::ios::binary);
    std::vector<char> buffer(64 * 1024);
    std::uint64_t left = entry.size;
    while (in && left > 0) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        in.read(buffer.data(), static_cast<std::streamsize>(chunk));
        if (static_cast<std::size_t>(in.gcount()) != chunk) {
            return false;
        }
        out.write(buffer.data(), static_cast<std::streamsize>(chunk));
        left -= chunk;
    }
    const std::size_t tail = static_cast<std::size_t>(entry.size % kHsBlockSize);
    if (tail != 0) {
        write(out, Bytes(kHsBlockSize - tail, 0));
    }
    return left == 0 && in.peek() == std::char_traits<char>::eof() && static_cast<bool>(out);
}

}  // namespace

MadeImage makeHighSierraImage(const FileSystemRequest& request, const SourceTree& tree,
                              const std::filesystem::path& imageFile) {
    const auto volumeId = hsVolumeIdentifier(request.volumeId);
    if (!volumeId) {
        return requestError(request, "High Sierra volume identifier \"" + request.volumeId +
                                         "\" is not up to 32 of A-Z, 0-9 and _");
    }
    auto laidOut = layOutHighSierra(tree);
    if (auto* failure = std::get_if<std::string>(&laidOut)) {
        return requestError(request, *failure);
    }
    const HsLayout& layout = std::get<HsLayout>(laidOut);
    const Stamp stamp = now();

    std::ofstream out(imageFile, std::ios::binary | std::ios::trunc);
    bool ok = write(out, Bytes(kHsDescriptorBlock * kHsBlockSize, 0)) &&
              write(out, volumeDescriptor(layout, *volumeId, stamp)) && write(out, terminator()) &&
              write(out, pathTable(layout, false)) && write(out, pathTable(layout, true));
    for (const HsDirectory& directory : layout.directories) {
        ok = ok && write(out, directoryExtent(layout, directory, stamp));
    }
    if (!ok) {
        return requestError(request, "cannot write " + imageFile.string());
    }
    for (const HsFile& file : layout.files) {
        const SourceEntry& entry = tree.entries[file.entry];
        if (!copyFile(out, entry)) {
            return requestError(request, "cannot copy " + entry.source.string() +
                                             " (unreadable, or changed while the image was made)");
        }
    }
    out.close();
    if (!out) {
        return requestError(request, "cannot write " + imageFile.string());
    }
    return wholeImage(request, imageFile, "the High Sierra writer");
}

}  // namespace kel::mkdisc::fs
