// A disc recipe: what mkdisc builds, as read from a recipe file (the format
// is described in docs/mkdisc.md). Every part keeps the line it came from,
// so that a failure while building still names the recipe line at fault.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "emu/disc/descriptor.h"
#include "tools/mkdisc/cdg_instruction.h"
#include "tools/mkdisc/fs/filesystems.h"

namespace kel::mkdisc {

// The layouts. The layout is checked against the tracks and sessions, so
// that a recipe says what it means and a typo in a track section is caught.
enum class Layout {
    CdRom,         // one data track
    Audio,         // audio tracks only
    Mixed,         // data track 1, then audio tracks
    CdExtra,       // session 1 audio tracks, session 2 one XA data track
    MultiSession,  // two or more sessions of one data track each
};

enum class Medium { Pressed, CdR, CdRw };

// What a recordable disc's last session and the disc as a whole are.
enum class DiscState {
    Closed,      // complete: nothing more can be written
    Appendable,  // every session closed, a next one can be added
    Open,        // the last session is open: its last track is a packet track being written
    Blank,       // nothing written at all
};

enum class WriteMethod { Dao, Tao, Packet };

// The ATIP of a recordable disc, as times and small numbers the descriptor
// takes unchanged; empty text keeps the drive's default.
struct AtipRecipe {
    int line = 0;  // of [atip]
    std::string leadInStart;
    std::string lastLeadOut;
    int discSubType = -1;  // -1: the drive's default
    int writingPower = -1;
    int referenceSpeed = -1;
    int unrestrictedUse = -1;  // -1 default, 0 off, 1 on
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

// Which program makes an ISO 9660 session; both import a previous session
// with -C and -M.
enum class IsoMaker { Xorriso, Genisoimage };

struct FileSystem {
    std::optional<fs::FileSystemKind> kind;  // none: ISO 9660 by `maker`
    int isoLevel = 2;                        // ISO 9660 interchange level 1..3
    bool joliet = false;
    bool rockRidge = false;
    std::string volumeId = "KELDISC";
    IsoMaker maker = IsoMaker::Xorriso;
    std::int32_t minBlocks = 0;       // other file systems: the smallest image
    std::filesystem::path bootImage;  // el-torito
    fs::BootEmulation bootEmulation = fs::BootEmulation::None;
};

struct Tone {
    double frequency = 440.0;  // Hz; 0 is silence
    double level = 0.5;        // peak amplitude as a share of full scale
};

struct TrackRecipe {
    int line = 0;  // of the [track] header
    TrackKind kind = TrackKind::Data;
    int session = 1;
    std::optional<WriteMethod> writeMethod;  // none: the disc's
    std::optional<std::int32_t> packetSize;  // none: the disc's; 0 variable packets
    int writeLine = 0;                       // of write-method, for errors

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
    std::vector<CdgInstruction> graphics;  // CD+G packs, in the order written
};

// A [session] section: the sessions after the first start at their real
// place on the disc; a data session imports the previous one's files.
struct SessionRecipe {
    int line = 0;
    bool import = true;
};

struct Recipe {
    std::filesystem::path origin;  // the recipe file
    std::string name;              // base name of every output file
    Layout layout = Layout::CdRom;
    BinFiles binFiles = BinFiles::Single;
    std::string catalog;  // 13 digits, or empty
    Medium medium = Medium::Pressed;
    DiscState state = DiscState::Closed;
    WriteMethod writeMethod = WriteMethod::Dao;
    std::int32_t packetSize = 32;        // the disc's fixed packet size; 0 variable
    int mediumLine = 0;                  // of the first [disc] key of medium, state or write method
    std::vector<emu::LbaRange> altered;  // sectors whose content is changed after writing
    int alteredLine = 0;
    std::optional<AtipRecipe> atip;
    emu::DriveDescription drive;
    std::vector<TrackRecipe> tracks;
    std::vector<SessionRecipe> sessions;  // sessions 2, 3, ...: sessions[0] is session 2

    WriteMethod methodOf(const TrackRecipe& track) const {
        return track.writeMethod.value_or(writeMethod);
    }
    std::int32_t packetSizeOf(const TrackRecipe& track) const {
        return track.packetSize.value_or(packetSize);
    }
};

}  // namespace kel::mkdisc
