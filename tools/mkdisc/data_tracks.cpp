#include "tools/mkdisc/data_tracks.h"

#include <fstream>
#include <system_error>

#include "tools/mkdisc/disc_folder.h"

namespace kel::mkdisc {

namespace {

namespace stdfs = std::filesystem;

std::string trackTag(std::size_t index) {
    const std::string number = std::to_string(index + 1);
    return "track-" + std::string(number.size() < 2 ? "0" : "") + number;
}

}  // namespace

stdfs::path DataTracks::image(std::size_t index) const {
    return work_ / (trackTag(index) + ".img");
}

std::variant<std::int32_t, BuildError> DataTracks::make(std::size_t index, std::int32_t dataStart) {
    const TrackRecipe& track = recipe_.tracks[index];
    const stdfs::path folder = work_ / (trackTag(index) + "-files");
    if (auto failure = makeDiscFolder(recipe_, track, folder)) {
        return *failure;
    }
    const bool imports = track.session > 1 && !made_.empty() &&
                         recipe_.sessions[static_cast<std::size_t>(track.session - 2)].import;
    std::variant<std::int32_t, BuildError> blocks;
    if (track.fileSystem.kind) {
        blocks = makeOther(track, folder, image(index));
    } else {
        IsoPlace place;
        place.start = dataStart;
        if (imports) {
            place.previousDisc = work_ / "disc.img";
            place.previousStart = made_.rbegin()->second;
        }
        blocks = makeIsoImage(recipe_, track, folder, place, image(index), programs_);
    }
    if (std::holds_alternative<BuildError>(blocks)) {
        return blocks;
    }
    if (auto failure = addToDisc(track, index, dataStart)) {
        return *failure;
    }
    if (!imports) {
        visible_.clear();
    }
    visible_.push_back(folder);
    made_[index] = dataStart;
    volumeLabel_ = track.fileSystem.volumeId;
    return blocks;
}

std::variant<std::int32_t, BuildError> DataTracks::makeOther(const TrackRecipe& track,
                                                             const stdfs::path& folder,
                                                             const stdfs::path& imageFile) {
    const FileSystem& wanted = track.fileSystem;
    fs::FileSystemRequest request;
    request.kind = *wanted.kind;
    request.folder = folder;
    request.volumeId = wanted.volumeId;
    request.minBlocks = wanted.minBlocks;
    if (recipe_.packetSizeOf(track) > 0) {
        request.packetSize = recipe_.packetSizeOf(track);
    }
    request.bootImage = wanted.bootImage;
    request.bootEmulation = wanted.bootEmulation;
    request.recipeFile = recipe_.origin;
    request.line = track.line;
    auto made = fs::makeFileSystemImage(request, imageFile);
    if (auto* failure = std::get_if<BuildError>(&made)) {
        return *failure;
    }
    const fs::FileSystemImage& image = std::get<fs::FileSystemImage>(made);
    const std::string name = fs::fileSystemKindName(request.kind);
    if (image.needsRecordable && recipe_.medium != Medium::CdR) {
        return BuildError{recipe_.origin, track.line,
                          "filesystem " + name + " is written on a CD-R: medium = cd-r"};
    }
    if (image.needsRewritable && recipe_.medium != Medium::CdRw) {
        return BuildError{recipe_.origin, track.line,
                          "filesystem " + name + " is written on a CD-RW: medium = cd-rw"};
    }
    if (image.packetSize > 0 && (recipe_.methodOf(track) != WriteMethod::Packet ||
                                 recipe_.packetSizeOf(track) != image.packetSize)) {
        return BuildError{recipe_.origin, track.line,
                          "filesystem " + name + " is written in fixed packets of " +
                              std::to_string(image.packetSize) +
                              " blocks: write-method = packet, packet-size = " +
                              std::to_string(image.packetSize)};
    }
    return image.blocks;
}

// The disc so far, for a later session's -M: each image at its LBA, the gaps
// left as holes in the file.
std::optional<BuildError> DataTracks::addToDisc(const TrackRecipe& track, std::size_t index,
                                                std::int32_t dataStart) {
    const stdfs::path discFile = work_ / "disc.img";
    std::ifstream in(image(index), std::ios::binary);
    std::fstream out(discFile, std::ios::binary | std::ios::in | std::ios::out);
    if (!out.is_open()) {
        out.open(discFile, std::ios::binary | std::ios::out | std::ios::trunc);
    }
    out.seekp(static_cast<std::streamoff>(dataStart) * static_cast<std::streamoff>(kUserDataSize));
    out << in.rdbuf();
    out.close();
    if (!in || !out) {
        return BuildError{recipe_.origin, track.line, "cannot write " + discFile.string()};
    }
    return std::nullopt;
}

std::optional<BuildError> DataTracks::makeMountedFolder(const stdfs::path& target) const {
    std::error_code error;
    stdfs::remove_all(target, error);
    stdfs::create_directories(target, error);
    for (const stdfs::path& folder : visible_) {
        if (!error) {
            stdfs::copy(folder, target,
                        stdfs::copy_options::recursive | stdfs::copy_options::overwrite_existing,
                        error);
        }
    }
    if (error) {
        return BuildError{target, 0, "cannot make the mounted folder: " + error.message()};
    }
    return std::nullopt;
}

}  // namespace kel::mkdisc
