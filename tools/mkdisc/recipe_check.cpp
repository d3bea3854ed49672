#include "tools/mkdisc/recipe_check.h"

#include <set>
#include <string>

namespace kel::mkdisc {

namespace {

constexpr std::size_t kMaxTracks = 99;

struct Problem {
    int line = 0;
    std::string message;
};
using Found = std::optional<Problem>;

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

// The tracks of each session: counts of data and audio tracks.
struct SessionShape {
    int data = 0;
    int audio = 0;
    bool dataFirst = false;
};

std::vector<SessionShape> shapes(const Recipe& recipe) {
    std::vector<SessionShape> sessions(recipe.sessions.size() + 1);
    for (const TrackRecipe& track : recipe.tracks) {
        SessionShape& shape = sessions[static_cast<std::size_t>(track.session - 1)];
        if (shape.data + shape.audio == 0) {
            shape.dataFirst = track.kind == TrackKind::Data;
        }
        (track.kind == TrackKind::Data ? shape.data : shape.audio) += 1;
    }
    return sessions;
}

std::optional<std::string> layoutProblem(const Recipe& recipe) {
    const auto sessions = shapes(recipe);
    const SessionShape& first = sessions.front();
    const bool single = sessions.size() == 1;
    switch (recipe.layout) {
        case Layout::CdRom:
            if (!single || first.data != 1 || first.audio != 0) {
                return "layout cd-rom wants exactly one [data] track and no [session]";
            }
            break;
        case Layout::Audio:
            if (!single || first.data != 0) {
                return "layout audio wants [audio] tracks only and no [session]";
            }
            break;
        case Layout::Mixed:
            if (!single || first.data != 1 || first.audio == 0 || !first.dataFirst) {
                return "layout mixed wants one [data] track first, then [audio] tracks, and no "
                       "[session]";
            }
            break;
        case Layout::CdExtra:
            if (sessions.size() != 2 || first.data != 0 || sessions[1].data != 1 ||
                sessions[1].audio != 0) {
                return "layout cd-extra wants [audio] tracks, a [session], then one [data] track";
            }
            // Players of such discs expect a CD-ROM XA data session.
            if (recipe.tracks.back().mode != DataMode::Mode2Form1) {
                return "layout cd-extra wants its data track in mode 2 (CD-ROM XA)";
            }
            break;
        case Layout::MultiSession:
            for (const SessionShape& session : sessions) {
                if (sessions.size() < 2 || session.data != 1 || session.audio != 0) {
                    return "layout multi-session wants two or more sessions of one [data] track "
                           "each";
                }
            }
            break;
    }
    return std::nullopt;
}

Found mediumProblem(const Recipe& recipe) {
    const int line = recipe.mediumLine;
    if (recipe.medium == Medium::Pressed) {
        if (recipe.state != DiscState::Closed) {
            return Problem{line, "a pressed disc is closed: state wants medium cd-r or cd-rw"};
        }
        if (recipe.atip) {
            return Problem{recipe.atip->line,
                           "a pressed disc has no ATIP: [atip] wants medium "
                           "cd-r or cd-rw"};
        }
        for (const TrackRecipe& track : recipe.tracks) {
            if (recipe.methodOf(track) != WriteMethod::Dao) {
                return Problem{track.writeLine > 0 ? track.writeLine : line,
                               "a pressed disc is not written: write-method wants medium cd-r "
                               "or cd-rw"};
            }
        }
    }
    if (recipe.state == DiscState::Blank) {
        if (!recipe.tracks.empty()) {
            return Problem{recipe.tracks.front().line, "a blank disc has no tracks"};
        }
        return std::nullopt;
    }
    if (recipe.tracks.empty()) {
        return Problem{0, "the recipe has no [data] or [audio] track"};
    }
    if (recipe.state == DiscState::Open) {
        const TrackRecipe& last = recipe.tracks.back();
        if (last.kind != TrackKind::Data || recipe.methodOf(last) != WriteMethod::Packet) {
            return Problem{last.line,
                           "state open leaves the last track open: a [data] track with "
                           "write-method = packet"};
        }
    }
    return std::nullopt;
}

// Packs are laid one after the other from the track's index 1, or from an
// instruction's @time; they must not overlap or run past the track.
Found graphicsProblem(const TrackRecipe& track) {
    std::int64_t next = 0;
    const std::int64_t packs = std::int64_t{track.length} * kPacksPerSector;
    for (const CdgInstruction& instruction : track.graphics) {
        const std::int64_t at = instruction.atPack >= 0 ? instruction.atPack : next;
        if (at < next) {
            return Problem{instruction.line,
                           "@ time lies before the end of the packs already "
                           "written (pack " +
                               std::to_string(next) + ")"};
        }
        next = at + instruction.count;
        if (next > packs) {
            return Problem{instruction.line, "the CD+G packs run past the track's end"};
        }
    }
    return std::nullopt;
}

Found dataProblem(const TrackRecipe& track) {
    if (track.pregap > 0 && !track.pregapStored) {
        // The file system is addressed from its first sector; a generated gap would shift it.
        return Problem{track.line,
                       "a data track's pregap holds the start of its file system and is always "
                       "stored"};
    }
    const FileSystem& fileSystem = track.fileSystem;
    if (fileSystem.kind && track.session > 1) {
        return Problem{track.line, "filesystem " +
                                       std::string(fs::fileSystemKindName(*fileSystem.kind)) +
                                       " is made for the first session only"};
    }
    const bool elTorito = fileSystem.kind == fs::FileSystemKind::ElTorito;
    if (elTorito != !fileSystem.bootImage.empty()) {
        return Problem{track.line, elTorito ? "filesystem el-torito needs a boot-image"
                                            : "boot-image goes with filesystem el-torito"};
    }
    std::set<std::string> paths;
    for (const InlineFile& file : track.files) {
        if (!paths.insert(file.path).second) {
            return Problem{file.line, "file '" + file.path + "' listed twice"};
        }
    }
    return std::nullopt;
}

Found trackProblem(const Recipe& recipe, const TrackRecipe& track, bool firstOfLaterSession) {
    if (firstOfLaterSession && track.pregap > 0) {
        return Problem{track.line,
                       "the first track of a later session has its pregap in the session gap; "
                       "leave pregap out"};
    }
    const WriteMethod method = recipe.methodOf(track);
    if (method == WriteMethod::Packet && track.kind == TrackKind::Audio) {
        return Problem{track.writeLine > 0 ? track.writeLine : track.line,
                       "audio is not written in packets: write-method wants dao or tao"};
    }
    if (track.kind == TrackKind::Data) {
        return dataProblem(track);
    }
    if (track.length == 0) {
        return Problem{track.line, "an [audio] track needs a length"};
    }
    if (!track.isrc.empty() && !isrcOk(track.isrc)) {
        return Problem{track.line,
                       "isrc wants 12 characters: country, owner, year, serial (e.g. "
                       "DEKEL2600001)"};
    }
    return graphicsProblem(track);
}

// -C and -M read the previous session as ISO 9660: it must be one.
Found importProblem(const Recipe& recipe) {
    const TrackRecipe* previousData = nullptr;
    for (const TrackRecipe& track : recipe.tracks) {
        const bool imports = track.session > 1 &&
                             recipe.sessions[static_cast<std::size_t>(track.session - 2)].import;
        if (track.kind == TrackKind::Data && imports && previousData != nullptr &&
            previousData->fileSystem.kind) {
            return Problem{recipe.sessions[static_cast<std::size_t>(track.session - 2)].line,
                           "import reads the previous session as ISO 9660, not " +
                               std::string(fs::fileSystemKindName(*previousData->fileSystem.kind)) +
                               ": import = no"};
        }
        previousData = track.kind == TrackKind::Data ? &track : previousData;
    }
    return std::nullopt;
}

Found recipeProblem(const Recipe& recipe) {
    if (Found problem = mediumProblem(recipe); problem || recipe.tracks.empty()) {
        return problem;
    }
    if (recipe.tracks.size() > kMaxTracks) {
        return Problem{recipe.tracks[kMaxTracks].line, "a disc holds at most 99 tracks"};
    }
    if (!recipe.sessions.empty() &&
        recipe.tracks.back().session <= static_cast<int>(recipe.sessions.size())) {
        return Problem{recipe.sessions.back().line, "this [session] has no track"};
    }
    if (auto problem = layoutProblem(recipe)) {
        return Problem{0, *problem};
    }
    if (Found problem = importProblem(recipe)) {
        return problem;
    }
    std::int64_t frames = 0;
    for (std::size_t i = 0; i < recipe.tracks.size(); ++i) {
        const TrackRecipe& track = recipe.tracks[i];
        const bool firstOfLater =
            track.session > 1 && recipe.tracks[i - 1].session != track.session;
        if (Found problem = trackProblem(recipe, track, firstOfLater)) {
            return problem;
        }
        frames += track.pregap + track.length;
        if (frames > emu::kMaxLeadOut) {
            return Problem{track.line, "the disc would be longer than 99:59:74"};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<BuildError> checkRecipe(const Recipe& recipe) {
    if (Found problem = recipeProblem(recipe)) {
        return BuildError{recipe.origin, problem->line, problem->message};
    }
    return std::nullopt;
}

}  // namespace kel::mkdisc
