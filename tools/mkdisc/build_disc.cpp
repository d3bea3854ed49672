#include "tools/mkdisc/build_disc.h"

#include <fstream>
#include <system_error>

#include "tools/mkdisc/bin_writer.h"
#include "tools/mkdisc/cue_sheet.h"
#include "tools/mkdisc/data_tracks.h"
#include "tools/mkdisc/descriptor_text.h"
#include "tools/mkdisc/subchannel_file.h"

namespace kel::mkdisc {

namespace {

namespace stdfs = std::filesystem;

// The intermediate images and tool logs, removed however the build ends.
class WorkFolder {
public:
    explicit WorkFolder(stdfs::path path) : path_(std::move(path)) {}
    ~WorkFolder() {
        std::error_code ignored;
        stdfs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const stdfs::path& path() const { return path_; }

private:
    stdfs::path path_;
};

std::optional<BuildError> writeText(const stdfs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        return BuildError{file, 0, "cannot write"};
    }
    return std::nullopt;
}

// The BIN files, CUE sheet, sub-channel file and mounted folder of a disc
// with tracks; fills `built` and the descriptor's view of the drive.
std::optional<BuildError> buildImage(const Recipe& recipe, const BuildOptions& options,
                                     const stdfs::path& work, BuiltDisc& built,
                                     emu::DriveDescription& drive, DescriptorFiles& files) {
    const stdfs::path& out = options.outputDir;
    DataTracks data(recipe, work, {options.xorriso, options.genisoimage});
    auto plan = planDisc(recipe, [&data](std::size_t index, std::int32_t dataStart) {
        return data.make(index, dataStart);
    });
    if (auto* failure = std::get_if<BuildError>(&plan)) {
        return *failure;
    }
    built.plan = std::move(std::get<DiscPlan>(plan));
    if (data.any()) {
        const std::string folderName = recipe.name + "_files";
        built.folder = out / folderName;
        if (auto failure = data.makeMountedFolder(built.folder)) {
            return failure;
        }
        drive.mountedFolder = folderName;
        drive.volumeLabel = data.volumeLabel();
    }
    const auto image = [&data](std::size_t index) { return data.image(index); };
    if (auto failure = writeBins(recipe, built.plan, out, image)) {
        return failure;
    }
    for (const std::string& name : built.plan.binNames) {
        built.bins.push_back(out / name);
    }
    built.cue = out / (recipe.name + ".cue");
    files.cue = built.cue.filename().string();
    if (auto failure = writeText(built.cue, cueSheet(recipe, built.plan))) {
        return failure;
    }
    if (needsSubchannel(recipe)) {
        built.subchannel = out / (recipe.name + ".sub");
        files.subchannel = built.subchannel.filename().string();
        return writeSubchannelFile(recipe, built.plan, built.subchannel);
    }
    return std::nullopt;
}

}  // namespace

std::variant<BuiltDisc, BuildError> buildDisc(const Recipe& recipe, const BuildOptions& options) {
    const stdfs::path& out = options.outputDir;
    std::error_code error;
    stdfs::create_directories(out, error);
    if (error) {
        return BuildError{out, 0, "cannot create the output folder: " + error.message()};
    }
    WorkFolder work(out / (recipe.name + ".work"));
    stdfs::remove_all(work.path(), error);
    stdfs::create_directories(work.path(), error);
    if (error) {
        return BuildError{work.path(), 0, "cannot create: " + error.message()};
    }

    BuiltDisc built;
    emu::DriveDescription drive = recipe.drive;
    DescriptorFiles files;
    if (!recipe.tracks.empty()) {
        if (auto failure = buildImage(recipe, options, work.path(), built, drive, files)) {
            return *failure;
        }
    }
    built.descriptor = out / (recipe.name + ".emu");
    if (auto failure =
            writeText(built.descriptor, descriptorText(recipe, built.plan, drive, files))) {
        return *failure;
    }
    return built;
}

}  // namespace kel::mkdisc
