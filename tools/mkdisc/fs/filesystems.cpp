#include "tools/mkdisc/fs/filesystems.h"

#include <array>
#include <system_error>
#include <utility>

#include "emu/disc/disc.h"
#include "tools/mkdisc/fs/image_file.h"
#include "tools/mkdisc/fs/image_makers.h"
#include "tools/mkdisc/fs/tool_step.h"

namespace kel::mkdisc::fs {

namespace {

constexpr std::array<std::pair<FileSystemKind, const char*>, 8> kKindNames = {{
    {FileSystemKind::Udf, "udf"},
    {FileSystemKind::UdfVat, "udf-vat"},
    {FileSystemKind::UdfSparable, "udf-sparable"},
    {FileSystemKind::UdfBridge, "udf-bridge"},
    {FileSystemKind::Hfs, "hfs"},
    {FileSystemKind::IsoHfs, "iso-hfs"},
    {FileSystemKind::ElTorito, "el-torito"},
    {FileSystemKind::HighSierra, "high-sierra"},
}};

// A packet longer than this would not fit a CD drive's write buffer.
constexpr std::int32_t kMaxPacketSize = 256;

std::optional<BuildError> checkRequest(const FileSystemRequest& request) {
    if (request.volumeId.empty()) {
        return requestError(request, "the volume identifier is empty");
    }
    if (request.minBlocks < 0 || request.minBlocks > emu::kMaxLeadOut) {
        return requestError(request, "image size " + std::to_string(request.minBlocks) +
                                         " blocks is outside 0.." +
                                         std::to_string(emu::kMaxLeadOut));
    }
    if (request.packetSize < 1 || request.packetSize > kMaxPacketSize) {
        return requestError(request, "packet size " + std::to_string(request.packetSize) +
                                         " is outside 1.." + std::to_string(kMaxPacketSize));
    }
    return std::nullopt;
}

}  // namespace

std::variant<FileSystemImage, BuildError> makeFileSystemImage(
    const FileSystemRequest& request, const std::filesystem::path& imageFile) {
    if (auto error = checkRequest(request)) {
        return *error;
    }
    auto scanned = scanSourceTree(request.folder);
    if (auto* failure = std::get_if<std::string>(&scanned)) {
        return requestError(request, *failure);
    }
    const SourceTree& tree = std::get<SourceTree>(scanned);
    if (tree.fileBytes > maxImageBytes()) {
        return requestError(request, request.folder.string() + " holds more than a CD can");
    }
    std::error_code error;
    std::filesystem::remove(imageFile, error);
    if (error) {
        return requestError(request,
                            "cannot replace " + imageFile.string() + ": " + error.message());
    }
    switch (request.kind) {
        case FileSystemKind::Udf:
        case FileSystemKind::UdfVat:
        case FileSystemKind::UdfSparable:
        case FileSystemKind::UdfBridge:
            return makeUdfImage(request, tree, imageFile);
        case FileSystemKind::Hfs:
        case FileSystemKind::IsoHfs:
            return makeHfsImage(request, tree, imageFile);
        case FileSystemKind::ElTorito:
            return makeElToritoImage(request, tree, imageFile);
        case FileSystemKind::HighSierra:
            return makeHighSierraImage(request, tree, imageFile);
    }
    return requestError(request, "unknown file-system kind");
}

const char* fileSystemKindName(FileSystemKind kind) {
    for (const auto& [known, name] : kKindNames) {
        if (known == kind) {
            return name;
        }
    }
    return "unknown";
}

std::optional<FileSystemKind> parseFileSystemKind(const std::string& word) {
    for (const auto& [kind, name] : kKindNames) {
        if (word == name) {
            return kind;
        }
    }
    return std::nullopt;
}

}  // namespace kel::mkdisc::fs
