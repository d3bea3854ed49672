// The image file a maker writes, and the scratch folders it needs beside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/fs/filesystems.h"

namespace kel::mkdisc::fs {

inline constexpr std::uint64_t kBlockSize = 2048;

// A folder named after the image plus `suffix`, emptied when made and removed
// when done, so that a failed build leaves nothing behind to confuse the next.
class ScratchFolder {
public:
    ScratchFolder(const std::filesystem::path& imageFile, const std::string& suffix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    bool ok() const { return ok_; }

private:
    std::filesystem::path path_;
    bool ok_ = false;
};

// The image's length in blocks, refusing a file that is missing, not whole
// blocks, or longer than a CD can hold; `tool` is named as its writer.
std::variant<std::int32_t, BuildError> imageBlocks(const FileSystemRequest& request,
                                                   const std::filesystem::path& imageFile,
                                                   const std::string& tool);

// Extends the image with zero blocks up to `blocks` (never shortens it).
std::optional<BuildError> padImage(const FileSystemRequest& request,
                                   const std::filesystem::path& imageFile, std::int32_t blocks);

// The folder to hand a tool that needs one: the request's, or `empty` when
// the request names none.
std::variant<std::filesystem::path, BuildError> contentFolder(const FileSystemRequest& request,
                                                              const ScratchFolder& empty);

// A track written in one go: the image padded to the request's minimum size
// and measured.
std::variant<FileSystemImage, BuildError> wholeImage(const FileSystemRequest& request,
                                                     const std::filesystem::path& imageFile,
                                                     const std::string& tool);

// A CD holds at most this many bytes of 2048-byte blocks.
std::uint64_t maxImageBytes();

}  // namespace kel::mkdisc::fs
