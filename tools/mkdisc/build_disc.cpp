#include "tools/mkdisc/build_disc.h"

#include <fstream>
#include <system_error>

#include "tools/mkdisc/bin_writer.h"
#include "tools/mkdisc/cue_sheet.h"
#include "tools/mkdisc/descriptor_text.h"
#include "tools/mkdisc/disc_folder.h"
#include "tools/mkdisc/iso_image.h"

namespace kel::mkdisc {

namespace {

namespace fs = std::filesystem;

// The intermediate ISO image and tool logs, removed however the build ends.
class WorkFolder {
public:
    explicit WorkFolder(fs::path path) : path_(std::move(path)) {}
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::optional<BuildError> writeText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        return BuildError{file, 0, "cannot write"};
    }
    return std::nullopt;
}

}  // namespace

std::variant<BuiltDisc, BuildError> buildDisc(const Recipe& recipe, const BuildOptions& options) {
    const fs::path& out = options.outputDir;
    std::error_code error;
    fs::create_directories(out, error);
    if (error) {
        return BuildError{out, 0, "cannot create the output folder: " + error.message()};
    }
    WorkFolder work(out / (recipe.name + ".work"));
    fs::remove_all(work.path(), error);
    fs::create_directories(work.path(), error);
    if (error) {
        return BuildError{work.path(), 0, "cannot create: " + error.message()};
    }

    BuiltDisc built;
    emu::DriveDescription drive = recipe.drive;
    const fs::path isoFile = work.path() / "data.iso";
    std::int32_t dataSectors = 0;
    const TrackRecipe& first = recipe.tracks.front();
    if (first.kind == TrackKind::Data) {
        const std::string folderName = recipe.name + "_files";
        built.folder = out / folderName;
        if (auto failure = makeDiscFolder(recipe, first, built.folder)) {
            return *failure;
        }
        auto sectors = makeIsoImage(recipe, first, built.folder, isoFile, options.xorriso);
        if (auto* failure = std::get_if<BuildError>(&sectors)) {
            return *failure;
        }
        dataSectors = std::get<std::int32_t>(sectors);
        drive.mountedFolder = folderName;
        drive.volumeLabel = first.fileSystem.volumeId;
    }

    auto plan = planDisc(recipe, dataSectors);
    if (auto* failure = std::get_if<BuildError>(&plan)) {
        return *failure;
    }
    built.plan = std::move(std::get<DiscPlan>(plan));
    if (auto failure = writeBins(recipe, built.plan, out, isoFile)) {
        return *failure;
    }
    for (const std::string& name : built.plan.binNames) {
        built.bins.push_back(out / name);
    }
    built.cue = out / (recipe.name + ".cue");
    if (auto failure = writeText(built.cue, cueSheet(recipe, built.plan))) {
        return *failure;
    }
    built.descriptor = out / (recipe.name + ".emu");
    const std::string descriptor =
        descriptorText(drive, built.cue.filename().string(), recipe.origin.filename().string());
    if (auto failure = writeText(built.descriptor, descriptor)) {
        return *failure;
    }
    return built;
}

}  // namespace kel::mkdisc
