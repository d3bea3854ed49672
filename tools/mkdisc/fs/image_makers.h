// One maker per family of file systems, each called by makeFileSystemImage
// with a checked request and its folder already listed.
#pragma once

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/fs/filesystems.h"
#include "tools/mkdisc/fs/source_tree.h"

namespace kel::mkdisc::fs {

using MadeImage = std::variant<FileSystemImage, BuildError>;

// Udf, UdfVat, UdfSparable (mkudffs) and UdfBridge (genisoimage).
MadeImage makeUdfImage(const FileSystemRequest& request, const SourceTree& tree,
                       const std::filesystem::path& imageFile);

// Hfs (hfsutils inside an Apple partition map) and IsoHfs (genisoimage).
MadeImage makeHfsImage(const FileSystemRequest& request, const SourceTree& tree,
                       const std::filesystem::path& imageFile);

// UdfBridge ("-udf") and IsoHfs ("-hfs -part"): genisoimage with those options.
MadeImage makeGenisoimageImage(const FileSystemRequest& request,
                               const std::filesystem::path& imageFile,
                               const std::vector<std::string>& options);

MadeImage makeElToritoImage(const FileSystemRequest& request, const SourceTree& tree,
                            const std::filesystem::path& imageFile);

MadeImage makeHighSierraImage(const FileSystemRequest& request, const SourceTree& tree,
                              const std::filesystem::path& imageFile);

}  // namespace kel::mkdisc::fs
