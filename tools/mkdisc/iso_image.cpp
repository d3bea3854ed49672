#include "tools/mkdisc/iso_image.h"

#include <system_error>
#include <vector>

#include "emu/disc/disc.h"
#include "tools/mkdisc/run_program.h"

namespace kel::mkdisc {

namespace {

// Fixed dates make the same recipe give the same image, byte for byte, so
// that a disc and its altered copy differ only where the recipe says.
constexpr const char* kFixedDate = "2026010100000000";

}  // namespace

std::variant<std::int32_t, BuildError> imageBlocks(const Recipe& recipe, const TrackRecipe& track,
                                                   const std::filesystem::path& image,
                                                   const std::string& maker) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(image, error);
    if (error || bytes == 0 || bytes % kUserDataSize != 0 ||
        bytes / kUserDataSize > static_cast<std::uintmax_t>(emu::kMaxLeadOut)) {
        return BuildError{recipe.origin, track.line,
                          maker + " wrote no usable image at " + image.string()};
    }
    return static_cast<std::int32_t>(bytes / kUserDataSize);
}

std::variant<std::int32_t, BuildError> makeIsoImage(const Recipe& recipe, const TrackRecipe& track,
                                                    const std::filesystem::path& folder,
                                                    const IsoPlace& place,
                                                    const std::filesystem::path& isoFile,
                                                    const IsoPrograms& programs) {
    const FileSystem& fileSystem = track.fileSystem;
    std::vector<std::string> argv;
    if (fileSystem.maker == IsoMaker::Xorriso) {
        argv = {programs.xorriso,
                "-as",
                "mkisofs",
                std::string("--modification-date=") + kFixedDate,
                "--set_all_file_dates",
                kFixedDate};
    } else {
        argv = {programs.genisoimage, "-quiet"};
    }
    argv.insert(argv.end(), {"-iso-level", std::to_string(fileSystem.isoLevel)});
    if (fileSystem.joliet) {
        argv.emplace_back("-J");
    }
    if (fileSystem.rockRidge) {
        argv.emplace_back("-R");
    } else if (fileSystem.maker == IsoMaker::Xorriso) {
        // xorriso writes Rock Ridge unless told not to.
        argv.emplace_back("--norock");
    }
    if (place.start > 0) {
        // -C: the previous session's start and this one's; the image's block
        // numbers count from the second.
        const std::int32_t previous = place.previousDisc.empty() ? 0 : place.previousStart;
        argv.insert(argv.end(),
                    {"-C", std::to_string(previous) + "," + std::to_string(place.start)});
        if (!place.previousDisc.empty()) {
            argv.insert(argv.end(), {"-M", place.previousDisc.string()});
        }
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
                          argv[0] + " failed (exit " + std::to_string(finished.exitCode) + "):\n" +
                              outputTail(finished.output, 5)};
    }
    return imageBlocks(recipe, track, isoFile, argv[0]);
}

}  // namespace kel::mkdisc
