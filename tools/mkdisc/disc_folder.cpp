#include "tools/mkdisc/disc_folder.h"

#include <array>
#include <fstream>
#include <system_error>
#include <vector>

namespace kel::mkdisc {

namespace {

namespace stdfs = std::filesystem;

std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001b3ULL;
    }
    return hash;
}

// SplitMix64 of a block number: any byte of a file can be produced without
// the bytes before it.
std::uint64_t mix(std::uint64_t value) {
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

std::optional<BuildError> writeInlineFile(const Recipe& recipe, const InlineFile& file,
                                          const stdfs::path& target) {
    const stdfs::path path = target / stdfs::path(file.path);
    std::error_code error;
    stdfs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (error || !out) {
        return BuildError{recipe.origin, file.line, "cannot create " + path.string()};
    }
    if (file.hasText) {
        out << file.text;
    } else {
        std::vector<std::uint8_t> chunk(1 << 16);
        for (std::uint64_t done = 0; done < file.size;) {
            const std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), file.size - done));
            generatedContent(file.path, done, std::span(chunk.data(), count));
            out.write(reinterpret_cast<const char*>(chunk.data()),
                      static_cast<std::streamsize>(count));
            done += count;
        }
    }
    out.close();
    if (!out) {
        return BuildError{recipe.origin, file.line, "cannot write " + path.string()};
    }
    return std::nullopt;
}

}  // namespace

void generatedContent(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> out) {
    const std::uint64_t seed = fnv1a(path);
    std::size_t i = 0;
    while (i < out.size()) {
        const std::uint64_t position = offset + i;
        const std::uint64_t block = mix(seed + position / 8);
        // The rest of this 8-byte block from one mix.
        for (std::uint64_t byte = position % 8; byte < 8 && i < out.size(); ++byte, ++i) {
            out[i] = static_cast<std::uint8_t>(block >> (byte * 8));
        }
    }
}

std::optional<BuildError> makeDiscFolder(const Recipe& recipe, const TrackRecipe& track,
                                         const stdfs::path& target) {
    std::error_code error;
    stdfs::remove_all(target, error);
    if (error || !stdfs::create_directories(target, error)) {
        return BuildError{
            recipe.origin, track.line,
            "cannot create the disc folder " + target.string() + ": " + error.message()};
    }
    if (!track.folder.empty()) {
        if (!stdfs::is_directory(track.folder, error)) {
            return BuildError{recipe.origin, track.folderLine,
                              "no such folder: " + track.folder.string()};
        }
        stdfs::copy(track.folder, target, stdfs::copy_options::recursive, error);
        if (error) {
            return BuildError{recipe.origin, track.folderLine,
                              "cannot copy " + track.folder.string() + ": " + error.message()};
        }
    }
    for (const std::string& dir : track.emptyDirs) {
        stdfs::create_directories(target / stdfs::path(dir), error);
        if (error) {
            return BuildError{recipe.origin, track.line,
                              "cannot create folder " + dir + ": " + error.message()};
        }
    }
    for (const InlineFile& file : track.files) {
        if (auto failure = writeInlineFile(recipe, file, target)) {
            return failure;
        }
    }
    return std::nullopt;
}

}  // namespace kel::mkdisc
