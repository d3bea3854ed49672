#include "drive_config.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kel::drives {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    std::string_view tail = text.substr(text.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

std::string_view trimmed(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// "/dev/sr" or "/dev/sg" followed by a device number and nothing else.
bool isDevicePath(std::string_view source) {
    for (std::string_view prefix : {"/dev/sr", "/dev/sg"}) {
        if (startsWith(source, prefix)) {
            std::string_view number = source.substr(prefix.size());
            return !number.empty() && number.size() <= 4 &&
                   std::all_of(number.begin(), number.end(),
                               [](char c) { return c >= '0' && c <= '9'; });
        }
    }
    return false;
}

struct FolderSource {
    FolderKind kind;
    std::string_view folder;
};

// "floppy:FOLDER", "removable:FOLDER" or "network:FOLDER", the kind in any case.
std::optional<FolderSource> folderSourceOf(std::string_view source) {
    constexpr std::pair<std::string_view, FolderKind> kKinds[] = {
        {"floppy:", FolderKind::Floppy},
        {"removable:", FolderKind::Removable},
        {"network:", FolderKind::Network}};
    for (const auto& [prefix, kind] : kKinds) {
        if (source.size() >= prefix.size() &&
            endsWithIgnoringCase(source.substr(0, prefix.size()), prefix)) {
            return FolderSource{kind, trimmed(source.substr(prefix.size()))};
        }
    }
    return std::nullopt;
}

// A pass-through node under another name (a link to /dev/sg0, a node made
// for a container) is a device too, though its spelling does not say so.
bool isCharacterDevice(std::string_view source) {
    std::error_code ec;
    return std::filesystem::is_character_file(std::filesystem::path(source), ec);
}

bool isFloppyLetter(char letter) {
    return letter == 'A' || letter == 'B';
}

}  // namespace

std::optional<SourceKind> sourceKindOf(std::string_view source) {
    if (isDevicePath(source)) {
        return SourceKind::Device;
    }
    for (std::string_view ending : {".iso", ".cue", ".emu"}) {
        if (source.size() > ending.size() && endsWithIgnoringCase(source, ending)) {
            return SourceKind::Image;
        }
    }
    return std::nullopt;
}

ParsedConfig parseDriveConfig(std::string_view text) {
    ParsedConfig parsed;
    std::array<bool, 26> taken{};
    auto skip = [&parsed](std::string_view entry, std::string_view why) {
        parsed.problems.push_back("drive entry \"" + std::string(entry) +
                                  "\" skipped: " + std::string(why));
    };
    while (!text.empty()) {
        std::size_t end = text.find(';');
        std::string_view entry = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (entry.empty()) {
            continue;
        }
        std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            skip(entry, "expected X:=SOURCE");
            continue;
        }
        std::string_view name = trimmed(entry.substr(0, equals));
        std::string_view source = trimmed(entry.substr(equals + 1));
        char first = name.empty() ? '\0' : name[0];
        bool isLetter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
        if (name.size() != 2 || name[1] != ':' || !isLetter) {
            skip(entry, "the drive must be a letter A-Z followed by ':'");
            continue;
        }
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(first)));
        if (taken[letter - 'A']) {
            skip(entry, std::string("drive ") + letter + ": is already configured");
            continue;
        }
        if (letter == 'C') {
            skip(entry, "C: is the fixed disk and cannot be configured");
            continue;
        }
        if (source.empty()) {
            skip(entry, "no source given");
            continue;
        }
        if (std::optional<FolderSource> folder = folderSourceOf(source)) {
            if (folder->folder.empty()) {
                skip(entry, "no folder given");
                continue;
            }
            if ((folder->kind == FolderKind::Floppy) != isFloppyLetter(letter)) {
                skip(entry, "floppy disks are A: and B:, and only they");
                continue;
            }
            taken[letter - 'A'] = true;
            parsed.folders.push_back(
                {letter, folder->kind, std::filesystem::path(folder->folder), {}});
            continue;
        }
        std::optional<SourceKind> kind = sourceKindOf(source);
        if (!kind && isCharacterDevice(source)) {
            kind = SourceKind::Device;
        }
        if (!kind) {
            skip(entry,
                 "the source must be a .iso, .cue or .emu image, /dev/srN, /dev/sgN, a "
                 "character device, or floppy:, removable: or network: and a folder");
            continue;
        }
        taken[letter - 'A'] = true;
        parsed.entries.push_back({letter, std::filesystem::path(source), *kind});
    }
    return parsed;
}

}  // namespace kel::drives
