// El Torito boot discs, written by xorriso: the boot image is grafted into
// the ISO tree as /boot/<its name> beside the boot catalogue /boot/boot.cat,
// so the request's folder need not hold it.
#include <array>
#include <string>
#include <system_error>
#include <vector>

#include "tools/mkdisc/fs/image_file.h"
#include "tools/mkdisc/fs/image_makers.h"
#include "tools/mkdisc/fs/tool_step.h"

namespace kel::mkdisc::fs {

namespace {

// The diskette sizes firmware can emulate: 1.2, 1.44 and 2.88 MB.
constexpr std::array<std::uintmax_t, 3> kFloppyBytes = {1228800, 1474560, 2949120};
constexpr std::uintmax_t kVirtualSector = 512;
// The boot entry counts loaded sectors in 16 bits.
constexpr std::uintmax_t kMaxLoadSectors = 0xffff;

bool folderHolds(const SourceTree& tree, const std::string& first, const std::string& second) {
    for (const SourceEntry& entry : tree.entries) {
        if (entry.names.size() == 2 && entry.names[0] == first && entry.names[1] == second) {
            return true;
        }
    }
    return false;
}

// xorriso's options for the emulation, or an error text.
std::variant<std::vector<std::string>, std::string> emulationOptions(BootEmulation emulation,
                                                                     std::uintmax_t bytes) {
    switch (emulation) {
        case BootEmulation::None: {
            const std::uintmax_t sectors =
                std::min((bytes + kVirtualSector - 1) / kVirtualSector, kMaxLoadSectors);
            return std::vector<std::string>{"-no-emul-boot", "-boot-load-size",
                                            std::to_string(sectors)};
        }
        case BootEmulation::Floppy:
            for (const std::uintmax_t size : kFloppyBytes) {
                if (bytes == size) {
                    return std::vector<std::string>{};
                }
            }
            return "a floppy boot image must be 1228800, 1474560 or 2949120 bytes, not " +
                   std::to_string(bytes);
        case BootEmulation::HardDisc:
            return std::vector<std::string>{"-hard-disk-boot"};
    }
    return std::string("unknown boot emulation");
}

// A graft point is "inside=outside"; '=' and '\\' in either half are escaped.
std::string graftEscaped(const std::string& path) {
    std::string escaped;
    for (const char c : path) {
        if (c == '=' || c == '\\') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

}  // namespace

MadeImage makeElToritoImage(const FileSystemRequest& request, const SourceTree& tree,
                            const std::filesystem::path& imageFile) {
    std::error_code error;
    const std::uintmax_t bootBytes = std::filesystem::is_regular_file(request.bootImage, error)
                                         ? std::filesystem::file_size(request.bootImage, error)
                                         : 0;
    if (request.bootImage.empty() || error || bootBytes == 0) {
        return requestError(request, "boot image \"" + request.bootImage.string() +
                                         "\" is not a readable, non-empty file");
    }
    const std::string bootName = request.bootImage.filename().string();
    if (bootName == "boot.cat" || folderHolds(tree, "boot", bootName) ||
        folderHolds(tree, "boot", "boot.cat")) {
        return requestError(request, "the folder already holds /boot/" + bootName +
                                         " or /boot/boot.cat, where the boot files go");
    }
    auto emulation = emulationOptions(request.bootEmulation, bootBytes);
    if (auto* failure = std::get_if<std::string>(&emulation)) {
        return requestError(request, *failure);
    }
    const ScratchFolder empty(imageFile, ".empty");
    auto folder = contentFolder(request, empty);
    if (auto* failure = std::get_if<BuildError>(&folder)) {
        return *failure;
    }
    std::vector<std::string> argv = {"xorriso",        "-as", "mkisofs",          "-V",
                                     request.volumeId, "-b",  "boot/" + bootName, "-c",
                                     "boot/boot.cat"};
    const auto& options = std::get<std::vector<std::string>>(emulation);
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"-graft-points", "-o", imageFile.string(),
                             "/=" + graftEscaped(std::get<std::filesystem::path>(folder).string()),
                             "/boot/" + graftEscaped(bootName) + "=" +
                                 graftEscaped(request.bootImage.string())});
    if (auto failure = runToolStep(request, argv, imageFile.string() + ".log")) {
        return *failure;
    }
    return wholeImage(request, imageFile, "xorriso");
}

}  // namespace kel::mkdisc::fs
