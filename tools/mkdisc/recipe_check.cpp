#include "tools/mkdisc/recipe_check.h"

#include <set>
#include <string>

namespace kel::mkdisc {

namespace {

constexpr std::size_t kMaxTracks = 99;

// IEC 60908 ISRC: country (2 letters), owner (3 letters or digits), year (2
// digits), serial (5 digits).
bool isrcOk(const std::string& isrc) {
    if (isrc.size() != 12) {
        return false;
    }
    for (std::size_t i = 0; i < isrc.size(); ++i) {
        const char c = isrc[i];
        const bool upper = c >= 'A' && c <= 'Z';
        const bool digit = c >= '0' && c <= '9';
        if ((i < 2 && !upper) || (i >= 2 && i < 5 && !upper && !digit) || (i >= 5 && !digit)) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> layoutProblem(const Recipe& recipe) {
    const auto& tracks = recipe.tracks;
    std::size_t data = 0;
    for (const TrackRecipe& track : tracks) {
        data += track.kind == TrackKind::Data ? 1 : 0;
    }
    switch (recipe.layout) {
        case Layout::CdRom:
            if (tracks.size() != 1 || data != 1) {
                return "layout cd-rom wants exactly one [data] track";
            }
            break;
        case Layout::Audio:
            if (data != 0) {
                return "layout audio wants [audio] tracks only";
            }
            break;
        case Layout::Mixed:
            if (tracks.size() < 2 || data != 1 || tracks.front().kind != TrackKind::Data) {
                return "layout mixed wants one [data] track first, then [audio] tracks";
            }
            break;
    }
    return std::nullopt;
}

std::optional<std::string> trackProblem(const TrackRecipe& track, bool first) {
    if (track.kind == TrackKind::Data) {
        if (!first) {
            return "a pressed single-session disc has its data track first";
        }
        if (track.pregap > 0 && !track.pregapStored) {
            // The file system is addressed from LBA 0; a generated gap would shift it.
            return "a data track's pregap holds the start of its file system and is always stored";
        }
        std::set<std::string> paths;
        for (const InlineFile& file : track.files) {
            if (!paths.insert(file.path).second) {
                return "file '" + file.path + "' listed twice";
            }
        }
        return std::nullopt;
    }
    if (track.length == 0) {
        return "an [audio] track needs a length";
    }
    if (!track.isrc.empty() && !isrcOk(track.isrc)) {
        return "isrc wants 12 characters: country, owner, year, serial (e.g. DEKEL2600001)";
    }
    return std::nullopt;
}

}  // namespace

std::optional<BuildError> checkRecipe(const Recipe& recipe) {
    if (recipe.tracks.empty()) {
        return BuildError{recipe.origin, 0, "the recipe has no [data] or [audio] track"};
    }
    if (recipe.tracks.size() > kMaxTracks) {
        return BuildError{recipe.origin, recipe.tracks[kMaxTracks].line,
                          "a disc holds at most 99 tracks"};
    }
    if (auto problem = layoutProblem(recipe)) {
        return BuildError{recipe.origin, 0, *problem};
    }
    std::int64_t audioFrames = 0;
    for (std::size_t i = 0; i < recipe.tracks.size(); ++i) {
        const TrackRecipe& track = recipe.tracks[i];
        if (auto problem = trackProblem(track, i == 0)) {
            return BuildError{recipe.origin, track.line, *problem};
        }
        audioFrames += track.pregap + track.length;
        if (audioFrames > emu::kMaxLeadOut) {
            return BuildError{recipe.origin, track.line, "the disc would be longer than 99:59:74"};
        }
    }
    return std::nullopt;
}

}  // namespace kel::mkdisc
