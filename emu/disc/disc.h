// The emulated drive's model of the disc in its tray: tracks with their
// indexes, sessions and Q-channel data, and where each sector's bytes live.
// Loaded from an ISO, a CUE sheet or a descriptor file (see loader.h); the
// drive model (emu/drive) reads it and never parses images itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "emu/sector/sector.h"

namespace kel::emu {

inline constexpr std::int32_t kPregapFrames = 150;  // LBA 0 is MSF 00:02:00
inline constexpr std::size_t kRawSectorSize = 2352;
// The largest lead-out whose MSF (LBA + 150) still fits in 99:59:74: an image
// beyond it cannot be a CD, and MSF arithmetic stays within two digits.
inline constexpr std::int32_t kMaxLeadOut = 100 * 60 * 75 - kPregapFrames;

// What a track holds, as the drive reports it (READ CD expected sector type).
enum class SectorFormat {
    Audio,  // CD-DA
    Mode1,  // 2048 user bytes, EDC/ECC
    Mode2,  // XA: form 1 or 2 per sector, from its subheader
};

// How the image stores one sector of the track.
enum class StorageFormat {
    Cooked2048,  // MODE1/2048 and ISO: user data only
    Mode2_2336,  // MODE2/2336: subheader + 2328 bytes
    Raw2352,     // AUDIO, MODE1/2352, MODE2/2352
};

std::size_t storedSectorSize(StorageFormat format);

struct LbaRange {
    std::int32_t first = 0;
    std::int32_t last = 0;  // inclusive
    bool contains(std::int32_t lba) const { return lba >= first && lba <= last; }
};

enum class Medium { Pressed, CdR, CdRw };
// READ DISC INFORMATION's disc status and state of the last session.
enum class DiscStatus { Blank, Incomplete, Complete };
enum class SessionState { Empty, Incomplete, Complete };
enum class WriteMethod {
    Dao,     // disc or session at once: no link blocks
    Tao,     // track at once: link and run-in before the track, run-out after it
    Packet,  // incremental: read by user blocks; the control nibble's bit 0 is set
};

// Lead-out and lead-in sizes a recorder writes, and the gap they make
// between the end of one session's program area and the next session's first
// track (lead-out, lead-in, then the 150-block pregap).
inline constexpr std::int32_t kFirstLeadOutBlocks = 6750;
inline constexpr std::int32_t kLaterLeadOutBlocks = 2250;
inline constexpr std::int32_t kLeadInBlocks = 4500;
inline constexpr std::int32_t kSessionGapAfterFirst =
    kFirstLeadOutBlocks + kLeadInBlocks + kPregapFrames;  // 11400
inline constexpr std::int32_t kSessionGapAfterLater =
    kLaterLeadOutBlocks + kLeadInBlocks + kPregapFrames;  // 6900
// Link block, run-in and run-out around a packet or a TAO track.
inline constexpr std::int32_t kLinkBlocks = 1;
inline constexpr std::int32_t kRunInBlocks = 4;
inline constexpr std::int32_t kRunOutBlocks = 2;

struct Session {
    int number = 1;
    int firstTrack = 1;
    int lastTrack = 1;
    std::int32_t leadOut = 0;  // LBA where its lead-out starts (its program area's end)
    SessionState state = SessionState::Complete;
};

// The pre-recorded ATIP of a CD-R/RW (READ TOC format 4).
struct Atip {
    sector::Msf leadInStart{97, 26, 66};
    sector::Msf lastLeadOut{79, 59, 74};  // last possible start of the lead-out
    std::uint8_t discSubType = 0;         // 0-7
    std::uint8_t writingPower = 4;        // indicative target writing power, 0-7
    std::uint8_t referenceSpeed = 1;      // 0-7
    bool unrestrictedUse = true;

    std::int32_t lastLeadOutLba() const;
};

// Q-channel control nibble bits.
namespace control {
inline constexpr std::uint8_t kPreEmphasis = 0x1;
inline constexpr std::uint8_t kCopyPermitted = 0x2;
inline constexpr std::uint8_t kData = 0x4;
inline constexpr std::uint8_t kFourChannel = 0x8;
}  // namespace control

struct Track {
    int number = 1;   // 1..99
    int session = 1;  // 1 on a single-session disc
    SectorFormat format = SectorFormat::Mode1;
    std::uint8_t control = control::kData;
    std::int32_t pregapStart = 0;  // LBA of index 0; equal to start when there is no pregap
    std::int32_t start = 0;        // LBA of index 1
    std::vector<std::int32_t> furtherIndexes;  // LBAs of index 2, 3, ...
    std::int32_t end = 0;  // exclusive: first LBA after the track, postgap included
    std::string isrc;      // 12 characters, or empty

    // Sectors [storedFrom, storedTo) are in file `file` from byte `fileOffset`
    // on, one per storedSectorSize(storage); the rest of [pregapStart, end)
    // (PREGAP and POSTGAP) has no storage and reads as generated silence or
    // zero-filled sectors of the track's format.
    StorageFormat storage = StorageFormat::Cooked2048;
    std::size_t file = 0;  // index into Disc::files
    std::uint64_t fileOffset = 0;
    std::int32_t storedFrom = 0;
    std::int32_t storedTo = 0;
    bool byteSwapped = false;  // audio stored big-endian (a CUE's MOTOROLA file)

    // How a recorder wrote the track (READ TRACK INFORMATION).
    WriteMethod writeMethod = WriteMethod::Dao;
    std::int32_t packetSize = 0;  // fixed packet size in user blocks; 0: variable packets
    bool damaged = false;
    bool copy = false;
    bool reserved = false;

    bool isData() const { return (control & control::kData) != 0; }
};

struct Disc {
    std::vector<std::filesystem::path> files;
    std::vector<Track> tracks;  // in order; track numbers consecutive
    std::int32_t leadOut = 0;   // LBA of the last session's lead-out
    std::string catalog;        // media catalogue number (13 digits), or empty
    std::uint8_t discType = 0;  // full-TOC A0 PSEC: 0x00 CD-DA/CD-ROM, 0x10 CD-i, 0x20 XA

    // A pressed disc is one complete session; recordable media say more.
    Medium medium = Medium::Pressed;
    DiscStatus status = DiscStatus::Complete;
    std::vector<Session> sessions;  // in order; the last may be incomplete
    SessionState lastSession = SessionState::Complete;
    std::optional<std::int32_t> nextWritable;  // of the open track (incomplete last session)
    Atip atip;
    // Blocks that hold no user data: session gaps, TAO link/run-in/run-out,
    // the open track from its next writable address on.
    std::vector<LbaRange> unwritten;
    std::filesystem::path subchannelFile;  // raw P-W, 96 bytes per sector from LBA 0; or empty

    const Track* trackAt(std::int32_t lba) const;  // nullptr outside every track
    bool isUnwritten(std::int32_t lba) const;
    bool recordable() const { return medium != Medium::Pressed; }
};

inline constexpr std::size_t kSubChannelSize = 96;

// Fills disc.sessions from the tracks' session numbers: each session's
// first and last track and where its lead-out starts.
void describeSessions(Disc& disc);

// Reads sectors of a loaded disc from its files. Opened once per drive;
// not thread-safe (the drive model serialises commands).
class SectorReader {
public:
    explicit SectorReader(const Disc& disc);
    ~SectorReader();
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // The full 2352-byte sector at lba as it stands on the disc: sync,
    // header, subheader, EDC/ECC made real for data sectors that the image
    // stores cooked, or generated for unstored gaps. Audio: the samples.
    // Returns an error text (naming the file) when the image cannot be read,
    // for example a BIN shorter than its CUE says.
    std::optional<std::string> readRaw(std::int32_t lba,
                                       std::span<std::uint8_t, kRawSectorSize> out);

    // `count` consecutive sectors into out (count * 2352 bytes), as readRaw
    // gives each, with one read of the image for each stretch of them that
    // one track stores: what makes long reads fast.
    std::optional<std::string> readRawRun(std::int32_t lba, std::int32_t count,
                                          std::span<std::uint8_t> out);

    // The sector's raw interleaved P-W from the disc's sub-channel file;
    // false when there is no file or it ends before lba (the drive then
    // makes the sub-channel itself). An error text when the file cannot be
    // read.
    std::variant<bool, std::string> readSubChannel(std::int32_t lba,
                                                   std::span<std::uint8_t, kSubChannelSize> out);

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace kel::emu
