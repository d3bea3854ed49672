// Copying files and whole directory trees of a disc into a folder, read
// through the drive by the extents the file-system readers found, so that it
// works on discs that are not mounted, on images and on damaged discs.
#pragma once

#include <filesystem>
#include <vector>

#include "diag/device/cd_device.h"
#include "diag/fs/file_node.h"
#include "diag/ui/copy/copy_questions.h"

namespace kel::diag {

// Copies each node into `folder`: a file as one file, a directory as a
// folder with its whole tree; a track's root puts its entries straight into
// `folder`. Names are made fit for Linux and never lead outside `folder`;
// dates are kept.
CopyOutcome CopyNodes(CdDevice& device, const std::vector<const FileNode*>& nodes,
                      const std::filesystem::path& folder, const CopySettings& settings,
                      CopyQuestions& questions);

// The bytes the files below the nodes hold, for the progress.
std::uint64_t BytesBelow(const std::vector<const FileNode*>& nodes);

}  // namespace kel::diag
