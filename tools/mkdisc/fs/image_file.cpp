#include "tools/mkdisc/fs/image_file.h"

#include <system_error>

#include "emu/disc/disc.h"
#include "tools/mkdisc/fs/tool_step.h"

namespace kel::mkdisc::fs {

ScratchFolder::ScratchFolder(const std::filesystem::path& imageFile, const std::string& suffix)
    : path_(imageFile.string() + suffix) {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    ok_ = !error && std::filesystem::create_directories(path_, error) && !error;
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::uint64_t maxImageBytes() {
    return static_cast<std::uint64_t>(emu::kMaxLeadOut) * kBlockSize;
}

std::variant<std::int32_t, BuildError> imageBlocks(const FileSystemRequest& request,
                                                   const std::filesystem::path& imageFile,
                                                   const std::string& tool) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(imageFile, error);
    if (error || bytes == 0 || bytes % kBlockSize != 0 || bytes > maxImageBytes()) {
        return requestError(request, tool + " wrote no usable image at " + imageFile.string());
    }
    return static_cast<std::int32_t>(bytes / kBlockSize);
}

std::optional<BuildError> padImage(const FileSystemRequest& request,
                                   const std::filesystem::path& imageFile, std::int32_t blocks) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(imageFile, error);
    const std::uintmax_t wanted = static_cast<std::uintmax_t>(blocks) * kBlockSize;
    if (!error && wanted > bytes) {
        std::filesystem::resize_file(imageFile, wanted, error);
    }
    if (error) {
        return requestError(request,
                            "cannot extend " + imageFile.string() + ": " + error.message());
    }
    return std::nullopt;
}

std::variant<std::filesystem::path, BuildError> contentFolder(const FileSystemRequest& request,
                                                              const ScratchFolder& empty) {
    if (!request.folder.empty()) {
        // Absolute, so that a folder named like an option is not taken for one.
        std::error_code error;
        std::filesystem::path folder = std::filesystem::absolute(request.folder, error);
        if (error) {
            return requestError(request, "cannot resolve " + request.folder.string());
        }
        return folder;
    }
    if (!empty.ok()) {
        return requestError(request, "cannot make " + empty.path().string());
    }
    return empty.path();
}

std::variant<FileSystemImage, BuildError> wholeImage(const FileSystemRequest& request,
                                                     const std::filesystem::path& imageFile,
                                                     const std::string& tool) {
    if (auto error = padImage(request, imageFile, request.minBlocks)) {
        return *error;
    }
    auto blocks = imageBlocks(request, imageFile, tool);
    if (auto* error = std::get_if<BuildError>(&blocks)) {
        return *error;
    }
    FileSystemImage image;
    image.blocks = std::get<std::int32_t>(blocks);
    image.capacityBlocks = image.blocks;
    return image;
}

}  // namespace kel::mkdisc::fs
