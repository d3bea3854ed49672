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
#include <vector>

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

    bool isData() const { return (control & control::kData) != 0; }
};

struct Disc {
    std::vector<std::filesystem::path> files;
    std::vector<Track> tracks;  // in order; track numbers consecutive
    std::int32_t leadOut = 0;   // LBA of the last session's lead-out
    std::string catalog;        // media catalogue number (13 digits), or empty
    std::uint8_t discType = 0;  // full-TOC A0 PSEC: 0x00 CD-DA/CD-ROM, 0x10 CD-i, 0x20 XA

    const Track* trackAt(std::int32_t lba) const;  // nullptr outside every track
};

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

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace kel::emu
