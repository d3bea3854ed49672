#include "tests/diag/support/emulated_disc.h"

#include <gtest/gtest.h>

#include <variant>

#include "emu/drive/emulated_drive.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::diag::testing {

std::optional<mkdisc::Recipe> ParseRecipe(const std::string& text,
                                          const std::filesystem::path& origin) {
    auto parsed = mkdisc::parseRecipe(text, origin);
    if (auto* error = std::get_if<mkdisc::BuildError>(&parsed)) {
        ADD_FAILURE() << error->text();
        return std::nullopt;
    }
    return std::get<mkdisc::Recipe>(std::move(parsed));
}

std::optional<mkdisc::BuiltDisc> BuildDisc(const mkdisc::Recipe& recipe,
                                           const std::filesystem::path& outputDir) {
    mkdisc::BuildOptions options;
    options.outputDir = outputDir;
    auto built = mkdisc::buildDisc(recipe, options);
    if (auto* error = std::get_if<mkdisc::BuildError>(&built)) {
        ADD_FAILURE() << error->text();
        return std::nullopt;
    }
    return std::get<mkdisc::BuiltDisc>(std::move(built));
}

std::optional<mkdisc::BuiltDisc> BuildDisc(const std::string& text,
                                           const std::filesystem::path& origin,
                                           const std::filesystem::path& outputDir) {
    const auto recipe = ParseRecipe(text, origin);
    if (!recipe) {
        return std::nullopt;
    }
    return BuildDisc(*recipe, outputDir);
}

std::shared_ptr<DriveAccess> EmulatedDriveD(const std::filesystem::path& descriptor,
                                            std::shared_ptr<WaitClock> clock) {
    auto access = std::make_shared<DriveAccess>();
    access->isCdLetter = [](char letter) { return letter == 'D'; };
    access->openLetter = [descriptor](char, OpenFailure& failure) {
        failure.devicePath = descriptor.string();
        return emu::openEmulatedDrive(descriptor, failure.text);
    };
    access->clock = std::move(clock);
    return access;
}

std::unique_ptr<SptiDevice> EmulatedDevice(const std::filesystem::path& descriptor) {
    return std::make_unique<SptiDevice>(EmulatedDriveD(descriptor));
}

void RecordFirstTrack(const mkdisc::BuiltDisc& disc, std::uint8_t control, TrackInfo& track,
                      TrackInfo* leadOut) {
    const mkdisc::TrackPlacement& placed = disc.plan.tracks.at(0);
    track.track = 1;
    track.session = 1;
    track.start = placed.start;
    track.end = placed.end;
    track.control = control;
    if (leadOut != nullptr) {
        track.next = leadOut;
        leadOut->prev = &track;
        leadOut->track = kLeadOutTrack;
        leadOut->start = disc.plan.leadOut;
    }
}

}  // namespace kel::diag::testing
