// CUE sheets in two steps: the statements of the text (syntax and order,
// with the line of each), then their layout on the disc against the sizes of
// the files they name. The size lookup is a parameter so that tests and the
// fuzzer can lay out sheets whose BIN files do not exist.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "emu/disc/disc.h"
#include "emu/disc/loader.h"

namespace kel::emu {

struct CueIndex {
    int number = 0;
    std::int32_t frame = 0;  // position in its file, in sectors
    int line = 0;
};

struct CueTrack {
    int number = 0;
    int line = 0;
    std::string mode;  // as written, for messages
    SectorFormat format = SectorFormat::Mode1;
    StorageFormat storage = StorageFormat::Cooked2048;
    std::uint8_t flags = 0;  // control bits from FLAGS
    std::string isrc;
    std::int32_t pregap = 0;   // unstored, in sectors
    std::int32_t postgap = 0;  // unstored, in sectors
    std::vector<CueIndex> indexes;
};

struct CueFile {
    std::filesystem::path path;  // resolved against the sheet's folder
    std::string name;            // as written, for messages
    int line = 0;
    bool motorola = false;
    std::vector<CueTrack> tracks;
};

struct CueSheet {
    std::string catalog;
    std::vector<CueFile> files;
};

std::variant<CueSheet, LoadError> readCueStatements(std::string_view text,
                                                    const std::filesystem::path& origin);

using FileSizeLookup =
    std::function<std::variant<std::uint64_t, std::string>(const std::filesystem::path&)>;

std::variant<Disc, LoadError> layOutCueSheet(const CueSheet& sheet,
                                             const std::filesystem::path& origin,
                                             const FileSizeLookup& sizeOf);

// parseCueSheet with the file sizes taken from `sizeOf`.
std::variant<Disc, LoadError> parseCueSheet(std::string_view text,
                                            const std::filesystem::path& origin,
                                            const FileSizeLookup& sizeOf);

}  // namespace kel::emu
