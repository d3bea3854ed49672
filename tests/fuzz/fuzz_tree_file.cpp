// The directory tree file reader over arbitrary bytes: a file it accepts
// must build a track list and trees that save to a file it reads back with
// the same entries, and everything must be freed again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "diag/disc/disc_info.h"
#include "diag/fs/treefile/tree_file_install.h"
#include "diag/fs/treefile/tree_file_reader.h"
#include "diag/fs/treefile/tree_file_writer.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto parsed = tree_file::ParseTreeFile({data, size});
    const auto* file = std::get_if<tree_file::LoadedTreeFile>(&parsed);
    if (file == nullptr) {
        return 0;
    }
    if (!tree_file::InstallTreeFile(*file)) {
        return 0;
    }
    const tree_file::TreeFileImage image = tree_file::BuildTreeFile(Tracks());
    if (image.problem.empty()) {
        auto again = tree_file::ParseTreeFile(image.bytes);
        const auto* back = std::get_if<tree_file::LoadedTreeFile>(&again);
        if (back == nullptr || back->nodes.size() != file->nodes.size() ||
            back->tracks.size() != file->tracks.size() || image.linkMissing) {
            std::abort();
        }
    }
    ReleaseDiscInfo();
    return 0;
}
