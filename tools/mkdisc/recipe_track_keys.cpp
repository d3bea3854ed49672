// The track sections of a recipe, [data] and [audio], and [session].
#include <algorithm>

#include "tools/mkdisc/recipe_keys.h"
#include "tools/mkdisc/recipe_values.h"

namespace kel::mkdisc {

namespace {

// A path inside the disc: relative, '/'-separated, no empty, "." or ".." parts.
bool discPathOk(std::string_view path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto slash = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == ".." || !printable(part)) {
            return false;
        }
        start = slash + 1;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Keys that every track section takes; `known` says whether `key` was one.
Problem trackKey(TrackRecipe& track, const std::string& key, std::string_view value, int line,
                 bool& known) {
    known = true;
    if (key == "pregap") {
        const auto frames = parseFrames(value);
        if (!frames) {
            return "pregap wants frames, seconds (2s) or mm:ss:ff, not '" + std::string(value) +
                   "'";
        }
        track.pregap = *frames;
        return std::nullopt;
    }
    if (key == "pregap-stored") {
        return setYesNo(track.pregapStored, key, value);
    }
    if (key == "write-method") {
        const auto method = parseWriteMethod(value);
        if (!method) {
            return "write-method wants dao, tao or packet, not '" + std::string(value) + "'";
        }
        track.writeMethod = *method;
        track.writeLine = line;
        return std::nullopt;
    }
    if (key == "packet-size") {
        const auto size = parsePacketSize(value);
        if (!size) {
            return "packet-size wants variable or 1 to 65535 blocks";
        }
        track.packetSize = *size;
        track.writeLine = track.writeLine == 0 ? line : track.writeLine;
        return std::nullopt;
    }
    known = false;
    return std::nullopt;
}

// "path size=N" or "path text=rest of the line"; a path with blanks is
// written in double quotes.
Problem inlineFile(TrackRecipe& track, std::string_view value, int line) {
    InlineFile file;
    file.line = line;
    std::size_t pathEnd = 0;
    if (value.starts_with('"')) {
        const auto quote = value.find('"', 1);
        if (quote == value.npos) {
            return "file path has no closing '\"'";
        }
        file.path = value.substr(1, quote - 1);
        pathEnd = quote + 1;
    } else {
        pathEnd = std::min(value.find_first_of(" \t"), value.size());
        file.path = value.substr(0, pathEnd);
    }
    if (!discPathOk(file.path)) {
        return "file wants a relative path inside the disc, not '" + file.path + "'";
    }
    const std::string_view content = trimmed(value.substr(pathEnd));
    if (content.starts_with("size=")) {
        const auto size = parseInteger(content.substr(5), 0, std::int64_t{1} << 32);
        if (!size) {
            return "file size wants a byte count up to 4 GiB";
        }
        file.size = static_cast<std::uint64_t>(*size);
    } else if (content.starts_with("text=")) {
        file.hasText = true;
        file.text = content.substr(5);
        file.text += '\n';
    } else {
        return "file wants 'path size=N' or 'path text=...'";
    }
    track.files.push_back(std::move(file));
    return std::nullopt;
}

// The keys of a data track's file system beyond plain ISO 9660.
Problem fileSystemKey(Recipe& recipe, FileSystem& fileSystem, const std::string& key,
                      std::string_view value, bool& known) {
    known = true;
    if (key == "filesystem") {
        if (value == "iso9660") {
            fileSystem.kind.reset();
            return std::nullopt;
        }
        fileSystem.kind = fs::parseFileSystemKind(std::string(value));
        if (!fileSystem.kind) {
            return "filesystem wants iso9660, udf, udf-vat, udf-sparable, udf-bridge, hfs, "
                   "iso-hfs, el-torito or high-sierra, not '" +
                   std::string(value) + "'";
        }
    } else if (key == "maker") {
        if (value != "xorriso" && value != "genisoimage") {
            return "maker wants xorriso or genisoimage, not '" + std::string(value) + "'";
        }
        fileSystem.maker = value == "xorriso" ? IsoMaker::Xorriso : IsoMaker::Genisoimage;
    } else if (key == "min-size") {
        const auto blocks = parseInteger(value, 1, emu::kMaxLeadOut);
        if (!blocks) {
            return "min-size wants a number of 2048-byte blocks, 1 to " +
                   std::to_string(emu::kMaxLeadOut);
        }
        fileSystem.minBlocks = static_cast<std::int32_t>(*blocks);
    } else if (key == "boot-image") {
        if (value.empty()) {
            return "boot-image wants a path";
        }
        fileSystem.bootImage = recipe.origin.parent_path() / std::filesystem::path(value);
    } else if (key == "boot-emulation") {
        if (value == "none") {
            fileSystem.bootEmulation = fs::BootEmulation::None;
        } else if (value == "floppy") {
            fileSystem.bootEmulation = fs::BootEmulation::Floppy;
        } else if (value == "hard-disc") {
            fileSystem.bootEmulation = fs::BootEmulation::HardDisc;
        } else {
            return "boot-emulation wants none, floppy or hard-disc, not '" + std::string(value) +
                   "'";
        }
    } else {
        known = false;
    }
    return std::nullopt;
}

}  // namespace

Problem dataKey(Recipe& recipe, const std::string& key, std::string_view value, int line) {
    TrackRecipe& track = recipe.tracks.back();
    bool known = false;
    if (Problem problem = trackKey(track, key, value, line, known); known) {
        return problem;
    }
    if (Problem problem = fileSystemKey(recipe, track.fileSystem, key, value, known); known) {
        return problem;
    }
    if (key == "mode") {
        if (value == "1") {
            track.mode = DataMode::Mode1;
        } else if (value == "2") {
            track.mode = DataMode::Mode2Form1;
        } else {
            return "mode wants 1 or 2 (XA form 1), not '" + std::string(value) + "'";
        }
    } else if (key == "folder") {
        if (value.empty()) {
            return "folder wants a path";
        }
        track.folder = recipe.origin.parent_path() / std::filesystem::path(value);
        track.folderLine = line;
    } else if (key == "file") {
        return inlineFile(track, value, line);
    } else if (key == "dir") {
        if (!discPathOk(value)) {
            return "dir wants a relative path inside the disc, not '" + std::string(value) + "'";
        }
        track.emptyDirs.emplace_back(value);
    } else if (key == "iso-level") {
        const auto level = parseInteger(value, 1, 3);
        if (!level) {
            return "iso-level wants 1, 2 or 3";
        }
        track.fileSystem.isoLevel = static_cast<int>(*level);
    } else if (key == "joliet") {
        return setYesNo(track.fileSystem.joliet, key, value);
    } else if (key == "rock-ridge") {
        return setYesNo(track.fileSystem.rockRidge, key, value);
    } else if (key == "volume-id") {
        // ECMA-119 8.4.6: 32 d-characters.
        if (value.empty() || value.size() > 32 ||
            value.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != value.npos) {
            return "volume-id wants 1 to 32 characters of A-Z, 0-9 and _";
        }
        track.fileSystem.volumeId = value;
    } else {
        return "unknown key '" + key + "' in [data]";
    }
    return std::nullopt;
}

Problem audioKey(Recipe& recipe, const std::string& key, std::string_view value, int line) {
    TrackRecipe& track = recipe.tracks.back();
    bool known = false;
    if (Problem problem = trackKey(track, key, value, line, known); known) {
        return problem;
    }
    if (key == "length") {
        const auto frames = parseFrames(value);
        if (!frames || *frames == 0) {
            return "length wants frames, seconds (4s) or mm:ss:ff, more than 0";
        }
        track.length = *frames;
    } else if (key == "tone") {
        const auto hz = parseDecimal(value, 0.0, 22050.0);
        if (!hz) {
            return "tone wants a frequency in Hz, 0 (silence) to 22050";
        }
        track.tone.frequency = *hz;
    } else if (key == "level") {
        const auto level = parseDecimal(value, 0.0, 1.0);
        if (!level) {
            return "level wants a share of full scale, 0 to 1";
        }
        track.tone.level = *level;
    } else if (key == "pre-emphasis") {
        return setYesNo(track.preEmphasis, key, value);
    } else if (key == "copy") {
        return setYesNo(track.copyPermitted, key, value);
    } else if (key == "four-channel") {
        return setYesNo(track.fourChannel, key, value);
    } else if (key == "isrc") {
        track.isrc = value;
    } else if (key == "cdg") {
        auto instruction = parseCdgInstruction(value);
        if (auto* problem = std::get_if<std::string>(&instruction)) {
            return *problem;
        }
        track.graphics.push_back(std::get<CdgInstruction>(instruction));
        track.graphics.back().line = line;
    } else {
        return "unknown key '" + key + "' in [audio]";
    }
    return std::nullopt;
}

Problem sessionKey(SessionRecipe& session, const std::string& key, std::string_view value) {
    if (key == "import") {
        return setYesNo(session.import, key, value);
    }
    return "unknown key '" + key + "' in [session]";
}

}  // namespace kel::mkdisc
