#include "tools/mkdisc/cue_sheet.h"

#include <cstdio>

namespace kel::mkdisc {

namespace {

// A CUE time: minutes:seconds:frames, counted from the file's start (a CUE
// has no 150-frame offset).
std::string cueTime(std::int64_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(frames / (75 * 60)),
                  static_cast<int>(frames / 75 % 60), static_cast<int>(frames % 75));
    return text;
}

std::string trackMode(const TrackRecipe& track) {
    if (track.kind == TrackKind::Audio) {
        return "AUDIO";
    }
    return track.mode == DataMode::Mode1 ? "MODE1/2352" : "MODE2/2352";
}

std::string flags(const TrackRecipe& track) {
    std::string list;
    if (track.copyPermitted) {
        list += " DCP";
    }
    if (track.fourChannel) {
        list += " 4CH";
    }
    if (track.preEmphasis) {
        list += " PRE";
    }
    return list.empty() ? std::string() : "    FLAGS" + list + "\n";
}

}  // namespace

std::string cueSheet(const Recipe& recipe, const DiscPlan& plan) {
    std::string cue;
    if (!recipe.catalog.empty()) {
        cue += "CATALOG " + recipe.catalog + "\n";
    }
    std::size_t openFile = plan.binNames.size();  // none yet
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        const TrackRecipe& track = recipe.tracks[i];
        const TrackPlacement& placed = plan.tracks[i];
        if (placed.binFile != openFile) {
            openFile = placed.binFile;
            cue += "FILE \"" + plan.binNames[openFile] + "\" BINARY\n";
        }
        char number[4];
        if (i > 0 && placed.session != plan.tracks[i - 1].session) {
            // Not read by every program, but the common way to say where a session starts.
            std::snprintf(number, sizeof number, "%02d", placed.session);
            cue += std::string("  REM SESSION ") + number + "\n";
        }
        std::snprintf(number, sizeof number, "%02d", placed.number);
        cue += std::string("  TRACK ") + number + " " + trackMode(track) + "\n";
        if (track.kind == TrackKind::Audio) {
            cue += flags(track);
            if (!track.isrc.empty()) {
                cue += "    ISRC " + track.isrc + "\n";
            }
        }
        const std::int64_t indexOne = placed.binFrame + (placed.start - placed.storedFrom);
        if (placed.start > placed.pregapStart) {
            if (placed.storedFrom == placed.pregapStart) {
                cue += "    INDEX 00 " + cueTime(placed.binFrame) + "\n";
            } else {
                cue += "    PREGAP " + cueTime(placed.start - placed.pregapStart) + "\n";
            }
        }
        cue += "    INDEX 01 " + cueTime(indexOne) + "\n";
    }
    return cue;
}

}  // namespace kel::mkdisc
