// The player's temporary record file: the rule violations found while
// decoding and the snapshots the user took, in the order they happened, kept
// on disk until the report after playback. Fixed records of 64872 bytes:
// type, packet number, then the error's string id and pack, or the palette
// and the image bottom row first. The file is deleted when closed.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "diag/tools/cdg/cdg_decoder.h"
#include "diag/tools/cdg/cdg_screen.h"

namespace kel::diag {

inline constexpr std::size_t kCdgRecordBytes = 72 + kCdgPixels;

struct CdgRecord {
    enum Type : std::uint32_t { kError = 17, kSnapshot = 18 };
    Type type = kError;
    std::uint32_t packet = 0;
    int stringId = 0;                                       // error
    CdgPack pack{};                                         // error
    std::array<std::uint8_t, kCdgColours * 4> palette{};    // snapshot
    std::array<std::uint8_t, kCdgPixels> bottomUpPixels{};  // snapshot
};

class CdgRecordFile {
public:
    // A new file "CXGxxxx.TMP" in `folder` (empty: the working folder),
    // opened for reading and writing and held by this process. Null when
    // none can be created; `path` then names the file last tried.
    static std::unique_ptr<CdgRecordFile> Create(const std::string& folder, std::string& path);
    // At start: removes the record files in `folder` that runs which are
    // gone (a crash during playback) left behind; those of running players
    // stay.
    static void RemoveAbandoned(const std::string& folder);
    ~CdgRecordFile();
    CdgRecordFile(const CdgRecordFile&) = delete;
    CdgRecordFile& operator=(const CdgRecordFile&) = delete;

    bool AppendError(std::uint32_t packet, int stringId, const CdgPack& pack);
    bool AppendSnapshot(std::uint32_t packet, const CdgScreen& screen);

    // Reading back from the first record; a short or unknown record ends it.
    bool Rewind();
    std::optional<CdgRecord> Next();

    const std::string& path() const { return path_; }

private:
    CdgRecordFile(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
    bool append(const std::array<std::uint8_t, kCdgRecordBytes>& record);

    std::FILE* file_;
    std::string path_;
    std::unique_ptr<std::array<std::uint8_t, kCdgRecordBytes>> record_ =
        std::make_unique<std::array<std::uint8_t, kCdgRecordBytes>>();
};

}  // namespace kel::diag
