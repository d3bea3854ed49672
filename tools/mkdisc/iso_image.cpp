#include "tools/mkdisc/iso_image.h"

#include <system_error>
#include <vector>

#include "emu/disc/disc.h"
#include "tools/mkdisc/run_program.h"

namespace kel::mkdisc {

std::variant<std::int32_t, BuildError> makeIsoImage(const Recipe& recipe, const TrackRecipe& track,
                                                    const std::filesystem::path& folder,
                                                    const std::filesystem::path& isoFile,
                                                    const std::string& xorriso) {
    const FileSystem& fileSystem = track.fileSystem;
    std::vector<std::string> argv = {xorriso, "-as", "mkisofs", "-iso-level",
                                     std::to_string(fileSystem.isoLevel)};
    if (fileSystem.joliet) {
        argv.emplace_back("-J");
    }
    if (fileSystem.rockRidge) {
        argv.emplace_back("-R");
    }
    argv.insert(argv.end(), {"-V", fileSystem.volumeId, "-o", isoFile.string(), folder.string()});

    std::filesystem::path logFile = isoFile;
    logFile += ".log";
    const auto run = runProgram(argv, logFile);
    if (const auto* failure = std::get_if<std::string>(&run)) {
        return BuildError{recipe.origin, track.line, *failure};
    }
    const auto& finished = std::get<ProgramRun>(run);
    if (finished.exitCode != 0) {
        return BuildError{recipe.origin, track.line,
                          xorriso + " failed (exit " + std::to_string(finished.exitCode) + "):\n" +
                              outputTail(finished.output, 5)};
    }
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(isoFile, error);
    if (error || bytes % kUserDataSize != 0 ||
        bytes / kUserDataSize > static_cast<std::uintmax_t>(emu::kMaxLeadOut)) {
        return BuildError{recipe.origin, track.line,
                          xorriso + " wrote no usable image at " + isoFile.string()};
    }
    return static_cast<std::int32_t>(bytes / kUserDataSize);
}

}  // namespace kel::mkdisc
