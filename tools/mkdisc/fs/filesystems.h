// The data track's file systems beyond plain ISO 9660: UDF (plain, VAT for
// CD-R, sparable for CD-RW, and the ISO/UDF bridge), HFS and the ISO/HFS
// hybrid, El Torito boot discs, and High Sierra. Each is made by the Debian
// tool that real discs come from, except High Sierra, which no packaged tool
// still writes and which we write ourselves from the published layout.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "tools/mkdisc/build_error.h"

namespace kel::mkdisc::fs {

enum class FileSystemKind {
    Udf,          // mkudffs, hard-disc style (no VAT, no sparing)
    UdfVat,       // mkudffs for CD-R: Virtual Allocation Table, fixed packets
    UdfSparable,  // mkudffs for CD-RW: sparable partition, fixed packets
    UdfBridge,    // genisoimage -udf: ISO 9660 and UDF over the same files
    Hfs,          // hformat, hmkdir, hcopy: a bare HFS volume
    IsoHfs,       // genisoimage -hfs: ISO 9660 with an HFS volume beside it
    ElTorito,     // xorriso: ISO 9660 with a boot catalogue and boot image
    HighSierra,   // our own writer: the "CDROM" volume descriptor at sector 16
};

enum class BootEmulation {
    None,      // no emulation; the image is loaded as is
    Floppy,    // 1.2, 1.44 or 2.88 MB diskette, chosen by the image's size
    HardDisc,  // the image holds a partitioned hard disc
};

struct FileSystemRequest {
    FileSystemKind kind = FileSystemKind::Udf;
    // What goes on the disc; may be empty for an empty volume. mkudffs only
    // formats, and no packaged tool copies files into a UDF image without
    // mounting it, so Udf, UdfVat and UdfSparable take no files (UdfBridge
    // does).
    std::filesystem::path folder;
    std::string volumeId = "KELDISC";

    // The smallest image wanted, in 2048-byte blocks; the image grows to
    // hold the folder when it needs more. 0: as small as the content allows.
    // Udf, UdfVat and UdfSparable: the size the volume is formatted for (for
    // UdfVat the track's capacity, of which only the start is written); 0
    // gives 4096 blocks.
    std::int32_t minBlocks = 0;

    // UdfVat and UdfSparable: blocks per fixed packet (a CD packet-writing
    // track is normally 32).
    std::int32_t packetSize = 32;

    // ElTorito: the boot image (outside the folder; it is placed on the disc
    // as /boot/<its file name>) and how the firmware should treat it.
    std::filesystem::path bootImage;
    BootEmulation bootEmulation = BootEmulation::None;

    // Where the request came from, named in every error.
    std::filesystem::path recipeFile;
    int line = 0;
};

// What the data track must know of the image it carries.
struct FileSystemImage {
    std::int32_t blocks = 0;  // length in 2048-byte blocks

    // Fixed-packet tracks (UdfVat, UdfSparable): the track is written in
    // packets of this many blocks; 0 for a track written in one go.
    std::int32_t packetSize = 0;

    // UdfVat: the file system expects an incrementally written CD-R (its VAT
    // sits in the last written block). UdfSparable: a CD-RW, whose sparing
    // table assumes rewritable media.
    bool needsRecordable = false;
    bool needsRewritable = false;

    // UdfVat: the track size the volume was made for; the blocks beyond
    // `blocks` are its free space, still unwritten (an open track's NWA is
    // `blocks`). Every other kind: equal to `blocks`.
    std::int32_t capacityBlocks = 0;
};

// Writes `imageFile` (2048-byte sectors, nothing else) from the request.
// Tools write their output to `imageFile` + ".log"; scratch files go beside
// `imageFile` and are removed. A missing tool, a tool exiting non-zero, an
// unreadable folder or a folder too large for a CD names the recipe file and
// line and quotes the end of what the tool printed.
std::variant<FileSystemImage, BuildError> makeFileSystemImage(
    const FileSystemRequest& request, const std::filesystem::path& imageFile);

// The recipe word for each kind ("udf", "udf-vat", "udf-sparable",
// "udf-bridge", "hfs", "iso-hfs", "el-torito", "high-sierra"), and back;
// nothing for an unknown word.
const char* fileSystemKindName(FileSystemKind kind);
std::optional<FileSystemKind> parseFileSystemKind(const std::string& word);

}  // namespace kel::mkdisc::fs
