// UDF images. mkudffs writes the three layouts a CD can carry (plain, VAT
// for write-once packet tracks, sparable for rewritable ones) as a formatted
// empty volume; genisoimage writes the bridge disc, UDF beside ISO 9660 over
// the same files.
#include <string>
#include <vector>

#include "tools/mkdisc/fs/image_file.h"
#include "tools/mkdisc/fs/image_makers.h"
#include "tools/mkdisc/fs/tool_step.h"

namespace kel::mkdisc::fs {

namespace {

constexpr std::int32_t kDefaultUdfBlocks = 4096;

const char* mediaType(FileSystemKind kind) {
    switch (kind) {
        case FileSystemKind::UdfVat:
            return "cdr";
        case FileSystemKind::UdfSparable:
            return "cdrw";
        default:
            return "hd";
    }
}

MadeImage formatUdf(const FileSystemRequest& request, const SourceTree& tree,
                    const std::filesystem::path& imageFile) {
    if (!tree.entries.empty()) {
        return requestError(request,
                            std::string(fileSystemKindName(request.kind)) +
                                " makes an empty volume (mkudffs only formats, and no packaged "
                                "tool copies files into a UDF image without mounting it); use "
                                "udf-bridge for a UDF disc with files");
    }
    const bool packets = request.kind != FileSystemKind::Udf;
    std::int32_t capacity = request.minBlocks > 0 ? request.minBlocks : kDefaultUdfBlocks;
    if (packets) {
        // A packet track holds whole packets only.
        capacity = (capacity + request.packetSize - 1) / request.packetSize * request.packetSize;
    }
    // mkudffs reads --utf8 only as its first argument.
    std::vector<std::string> argv = {"mkudffs",
                                     "--utf8",
                                     "--blocksize=2048",
                                     std::string("--media-type=") + mediaType(request.kind),
                                     "--label=" + request.volumeId,
                                     "--new-file"};
    if (packets) {
        argv.push_back("--packetlen=" + std::to_string(request.packetSize));
    }
    argv.insert(argv.end(), {imageFile.string(), std::to_string(capacity)});
    if (auto error = runToolStep(request, argv, imageFile.string() + ".log")) {
        return *error;
    }
    auto blocks = imageBlocks(request, imageFile, "mkudffs");
    if (auto* error = std::get_if<BuildError>(&blocks)) {
        return *error;
    }
    FileSystemImage image;
    image.blocks = std::get<std::int32_t>(blocks);
    image.capacityBlocks = request.kind == FileSystemKind::UdfVat ? capacity : image.blocks;
    if (packets) {
        image.packetSize = request.packetSize;
        if (image.blocks % image.packetSize != 0) {
            return requestError(request, "mkudffs wrote " + std::to_string(image.blocks) +
                                             " blocks, not whole packets of " +
                                             std::to_string(image.packetSize));
        }
    }
    image.needsRecordable = request.kind == FileSystemKind::UdfVat;
    image.needsRewritable = request.kind == FileSystemKind::UdfSparable;
    return image;
}

}  // namespace

MadeImage makeUdfImage(const FileSystemRequest& request, const SourceTree& tree,
                       const std::filesystem::path& imageFile) {
    if (request.kind == FileSystemKind::UdfBridge) {
        return makeGenisoimageImage(request, imageFile, {"-udf"});
    }
    return formatUdf(request, tree, imageFile);
}

}  // namespace kel::mkdisc::fs
