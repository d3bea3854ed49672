// The file systems of a disc's data tracks, made in disc order as the
// planner places them: each in its own image file, a later session's
// importing the earlier ones through a file that holds the disc so far at
// its LBAs, and the folder that stands for the mounted disc (the last
// session's view: its files and, when imported, those before it).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/iso_image.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

class DataTracks {
public:
    DataTracks(const Recipe& recipe, std::filesystem::path workDir, IsoPrograms programs)
        : recipe_(recipe), work_(std::move(workDir)), programs_(std::move(programs)) {}

    // Makes data track `index` with its block 0 at `dataStart`; its size in blocks.
    std::variant<std::int32_t, BuildError> make(std::size_t index, std::int32_t dataStart);

    // The image of data track `index` (2048-byte blocks from its dataStart).
    std::filesystem::path image(std::size_t index) const;

    // Replaces `target` with the mounted disc's files.
    std::optional<BuildError> makeMountedFolder(const std::filesystem::path& target) const;

    bool any() const { return !made_.empty(); }
    const std::string& volumeLabel() const { return volumeLabel_; }

private:
    std::variant<std::int32_t, BuildError> makeOther(const TrackRecipe& track,
                                                     const std::filesystem::path& folder,
                                                     const std::filesystem::path& imageFile);
    std::optional<BuildError> addToDisc(const TrackRecipe& track, std::size_t index,
                                        std::int32_t dataStart);

    const Recipe& recipe_;
    std::filesystem::path work_;
    IsoPrograms programs_;
    std::map<std::size_t, std::int32_t> made_;    // track index -> dataStart
    std::vector<std::filesystem::path> visible_;  // folders of the last session's view
    std::string volumeLabel_;
};

}  // namespace kel::mkdisc
