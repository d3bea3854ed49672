// HFS images. A bare volume is formatted by hformat inside an Apple partition
// map, as HFS CDs carry one, and filled with hmkdir and hcopy; the ISO/HFS
// hybrid comes from genisoimage, which writes its own map. hfsutils keeps its
// "current volume" in $HOME/.hcwd, so every step runs with HOME in a scratch
// folder of its own, leaving the user's volume and other builds alone.
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "tools/mkdisc/fs/apple_partition_map.h"
#include "tools/mkdisc/fs/image_file.h"
#include "tools/mkdisc/fs/image_makers.h"
#include "tools/mkdisc/fs/tool_step.h"

namespace kel::mkdisc::fs {

namespace {

constexpr std::size_t kMaxVolumeName = 27;
constexpr std::size_t kMaxFileName = 31;
// HFS counts allocation blocks in 16 bits.
constexpr std::uint64_t kMaxAllocationBlocks = 65535;
constexpr std::uint64_t kSector = 512;
// What hformat gives the boot blocks, the master directory blocks, the
// bitmap and the first extents of the catalog and extents trees, with room.
constexpr std::uint64_t kVolumeOverhead = 512 * 1024;
// A catalog record and thread for each entry, rounded up generously.
constexpr std::uint64_t kCatalogBytesPerEntry = 1024;

std::uint64_t roundUp(std::uint64_t value, std::uint64_t unit) {
    return (value + unit - 1) / unit * unit;
}

// Names HFS can hold: printable ASCII (the tools would otherwise recode
// them through Mac Roman) without the ':' path separator.
std::optional<std::string> badName(const std::string& name, std::size_t limit) {
    if (name.empty() || name.size() > limit) {
        return "\"" + name + "\" is not 1 to " + std::to_string(limit) + " characters long";
    }
    for (const char c : name) {
        if (c < 0x20 || c > 0x7e || c == ':') {
            return "\"" + name + "\" holds a character HFS names cannot (':' or not ASCII)";
        }
    }
    return std::nullopt;
}

// The volume size (bytes, whole 2048-byte blocks) that holds `tree`: the
// allocation block grows with the volume, and every file fills whole ones.
std::uint64_t volumeBytes(const SourceTree& tree, std::int32_t minBlocks) {
    std::uint64_t size = tree.fileBytes + kVolumeOverhead;
    for (int pass = 0; pass < 3; ++pass) {
        const std::uint64_t allocation =
            std::max<std::uint64_t>(kSector, roundUp(size / kMaxAllocationBlocks + 1, kSector));
        std::uint64_t needed = kVolumeOverhead + size / 32;
        for (const SourceEntry& entry : tree.entries) {
            needed += kCatalogBytesPerEntry + roundUp(entry.size, allocation);
        }
        size = std::max(size, needed);
    }
    const std::uint64_t wanted = static_cast<std::uint64_t>(minBlocks) * kBlockSize;
    return roundUp(std::max(size + kHfsPartitionStart * kSector, wanted), kBlockSize);
}

// Sources named in one hcopy, well below any command line's limit.
constexpr std::size_t kFilesPerCopy = 200;

std::string hfsPath(const std::vector<std::string>& names) {
    std::string path;
    for (const std::string& name : names) {
        path += ":" + name;
    }
    return path;
}

std::optional<BuildError> writePartitionMap(const FileSystemRequest& request,
                                            const std::filesystem::path& imageFile,
                                            std::uint64_t bytes) {
    std::error_code error;
    { std::ofstream create(imageFile, std::ios::binary); }
    std::filesystem::resize_file(imageFile, bytes, error);
    const auto map = applePartitionMap(static_cast<std::uint32_t>(bytes / kSector));
    std::fstream out(imageFile, std::ios::binary | std::ios::in | std::ios::out);
    out.write(reinterpret_cast<const char*>(map.data()), static_cast<std::streamsize>(map.size()));
    if (error || !out) {
        return requestError(request, "cannot write " + imageFile.string());
    }
    return std::nullopt;
}

MadeImage makeBareHfs(const FileSystemRequest& request, const SourceTree& tree,
                      const std::filesystem::path& imageFile) {
    if (auto bad = badName(request.volumeId, kMaxVolumeName)) {
        return requestError(request, "HFS volume name " + *bad);
    }
    for (const SourceEntry& entry : tree.entries) {
        if (auto bad = badName(entry.names.back(), kMaxFileName)) {
            return requestError(request, "HFS name " + *bad + " (" + entry.source.string() + ")");
        }
    }
    const std::uint64_t bytes = volumeBytes(tree, request.minBlocks);
    if (bytes > maxImageBytes()) {
        return requestError(request, request.folder.string() + " holds more than a CD can");
    }
    if (auto error = writePartitionMap(request, imageFile, bytes)) {
        return *error;
    }
    const ScratchFolder home(imageFile, ".hfshome");
    if (!home.ok()) {
        return requestError(request, "cannot make " + home.path().string());
    }
    const std::string homeVariable = "HOME=" + home.path().string();
    const std::string log = imageFile.string() + ".log";
    // Partition 1: the first HFS partition of the map just written.
    if (auto error = runToolStep(
            request,
            {"env", homeVariable, "hformat", "-l", request.volumeId, imageFile.string(), "1"},
            log)) {
        return *error;
    }
    const auto& entries = tree.entries;
    for (std::size_t i = 0; i < entries.size();) {
        std::vector<std::string> argv = {"env", homeVariable};
        if (entries[i].directory) {
            argv.insert(argv.end(), {"hmkdir", hfsPath(entries[i].names)});
            ++i;
        } else {
            // The files that follow one another in one folder go in one
            // hcopy, which names each after its source: a folder of
            // thousands of files takes seconds, not minutes.
            argv.insert(argv.end(), {"hcopy", "-r"});
            const std::vector<std::string> folder(entries[i].names.begin(),
                                                  entries[i].names.end() - 1);
            for (std::size_t taken = 0;
                 i < entries.size() && taken < kFilesPerCopy && !entries[i].directory &&
                 entries[i].names.size() == folder.size() + 1 &&
                 std::equal(folder.begin(), folder.end(), entries[i].names.begin());
                 ++i, ++taken) {
                argv.push_back(entries[i].source.string());
            }
            argv.push_back(hfsPath(folder) + ":");
        }
        if (auto error = runToolStep(request, argv, log)) {
            return *error;
        }
    }
    if (auto error = runToolStep(request, {"env", homeVariable, "humount"}, log)) {
        return *error;
    }
    return wholeImage(request, imageFile, "hformat");
}

}  // namespace

MadeImage makeHfsImage(const FileSystemRequest& request, const SourceTree& tree,
                       const std::filesystem::path& imageFile) {
    if (request.kind == FileSystemKind::IsoHfs) {
        // Without a partition map the HFS half is found only by readers that
        // probe for a bare volume; CD readers start from the map, as pressed
        // hybrids carry one.
        return makeGenisoimageImage(request, imageFile, {"-hfs", "-part"});
    }
    return makeBareHfs(request, tree, imageFile);
}

}  // namespace kel::mkdisc::fs
