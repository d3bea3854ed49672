// A disc recipe: what mkdisc builds, as read from a recipe file (the format
// is described in docs/mkdisc.md). Every part keeps the line it came from,
// so that a failure while building still names the recipe line at fault.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "emu/disc/descriptor.h"

namespace kel::mkdisc {

// The pressed layouts. The layout is checked against the tracks, so that a
// recipe says what it means and a typo in a track section is caught.
enum class Layout {
    CdRom,  // one data track
    Audio,  // audio tracks only
    Mixed,  // data track 1, then audio tracks
};

enum class BinFiles {
    Single,    // one BIN named after the CUE (the form libcdio expects)
    PerTrack,  // one BIN per track, the common multi-file form
};

enum class TrackKind { Data, Audio };

enum class DataMode {
    Mode1,       // MODE1/2352
    Mode2Form1,  // MODE2/2352, XA form 1 sectors
};

// A file of the data track listed in the recipe itself. Its bytes are either
// the given text or `size` bytes generated from its path, so that the same
// recipe always gives the same disc.
struct InlineFile {
    std::string path;  // inside the disc, '/'-separated
    bool hasText = false;
    std::string text;
    std::uint64_t size = 0;
    int line = 0;
};

struct FileSystem {
    int isoLevel = 2;  // ISO 9660 interchange level 1..3
    bool joliet = false;
    bool rockRidge = false;
    std::string volumeId = "KELDISC";
};

struct Tone {
    double frequency = 440.0;  // Hz; 0 is silence
    double level = 0.5;        // peak amplitude as a share of full scale
};

struct TrackRecipe {
    int line = 0;  // of the [track] header
    TrackKind kind = TrackKind::Data;

    // Index 0: frames before index 1. A stored pregap is in the BIN (INDEX 00);
    // an unstored one is a CUE PREGAP the drive generates.
    std::int32_t pregap = 0;
    bool pregapStored = true;

    // Data tracks.
    DataMode mode = DataMode::Mode1;
    std::filesystem::path folder;  // resolved against the recipe's folder; may be empty
    int folderLine = 0;
    std::vector<InlineFile> files;
    std::vector<std::string> emptyDirs;
    FileSystem fileSystem;

    // Audio tracks.
    std::int32_t length = 0;  // frames from index 1 to the track's end
    Tone tone;
    bool preEmphasis = false;
    bool copyPermitted = false;
    bool fourChannel = false;
    std::string isrc;
};

struct Recipe {
    std::filesystem::path origin;  // the recipe file
    std::string name;              // base name of every output file
    Layout layout = Layout::CdRom;
    BinFiles binFiles = BinFiles::Single;
    std::string catalog;  // 13 digits, or empty
    emu::DriveDescription drive;
    std::vector<TrackRecipe> tracks;
};

}  // namespace kel::mkdisc
