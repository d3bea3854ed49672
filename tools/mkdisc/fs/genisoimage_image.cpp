// ISO 9660 with a second file system over the same files, as genisoimage
// writes it: the UDF bridge and the ISO/HFS hybrid.
#include <string>
#include <vector>

#include "tools/mkdisc/fs/image_file.h"
#include "tools/mkdisc/fs/image_makers.h"
#include "tools/mkdisc/fs/tool_step.h"

namespace kel::mkdisc::fs {

MadeImage makeGenisoimageImage(const FileSystemRequest& request,
                               const std::filesystem::path& imageFile,
                               const std::vector<std::string>& options) {
    const ScratchFolder empty(imageFile, ".empty");
    auto folder = contentFolder(request, empty);
    if (auto* error = std::get_if<BuildError>(&folder)) {
        return *error;
    }
    std::vector<std::string> argv = {"genisoimage", "-quiet"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"-V", request.volumeId, "-o", imageFile.string(),
                             std::get<std::filesystem::path>(folder).string()});
    if (auto error = runToolStep(request, argv, imageFile.string() + ".log")) {
        return *error;
    }
    return wholeImage(request, imageFile, "genisoimage");
}

}  // namespace kel::mkdisc::fs
