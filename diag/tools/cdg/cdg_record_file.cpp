#include "diag/tools/cdg/cdg_record_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <random>

#include "diag/tools/format_text.h"
#include "platform/base/work_file.h"

namespace kel::diag {
namespace {

constexpr std::size_t kTypeAt = 0;
constexpr std::size_t kPacketAt = 4;
constexpr std::size_t kStringIdAt = 8;
constexpr std::size_t kPackAt = 12;
constexpr std::size_t kPaletteAt = 8;
constexpr std::size_t kImageAt = 72;
constexpr unsigned kNameNumbers = 0x10000;  // four hex digits

using RecordBytes = std::array<std::uint8_t, kCdgRecordBytes>;

void put32(RecordBytes& record, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        record[at + i] = std::uint8_t(value >> (8 * i));
    }
}

std::uint32_t get32(const RecordBytes& record, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::uint32_t{record[at + i]} << (8 * i);
    }
    return value;
}

// "CXG", four hexadecimal digits, ".TMP": the names Create gives.
bool isRecordFileName(const std::string& name) {
    constexpr std::size_t kLength = 11;
    return name.size() == kLength && name.starts_with("CXG") && name.ends_with(".TMP") &&
           std::all_of(name.begin() + 3, name.begin() + 7,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

std::unique_ptr<CdgRecordFile> CdgRecordFile::Create(const std::string& folder, std::string& path) {
    const unsigned first = std::random_device{}() % kNameNumbers;
    for (unsigned n = 0; n < kNameNumbers; ++n) {
        const FormatArg number[] = {(first + n) % kNameNumbers};
        path = folder + FormatText("CXG%04X.TMP", number, 16);
        // "x": created here or not at all, so two players never share a file.
        if (std::FILE* file = std::fopen(path.c_str(), "w+bx")) {
            if (HoldWorkFile(file, path)) {
                return std::unique_ptr<CdgRecordFile>(new CdgRecordFile(file, path));
            }
            std::fclose(file);
            continue;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

void CdgRecordFile::RemoveAbandoned(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path where =
        folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
    for (const auto& entry : std::filesystem::directory_iterator(where, error)) {
        if (isRecordFileName(entry.path().filename().string())) {
            RemoveWorkFileIfAbandoned(entry.path());
        }
    }
}

CdgRecordFile::~CdgRecordFile() {
    std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

bool CdgRecordFile::append(const RecordBytes& record) {
    return std::fseek(file_, 0, SEEK_END) == 0 &&
           std::fwrite(record.data(), 1, record.size(), file_) == record.size();
}

bool CdgRecordFile::AppendError(std::uint32_t packet, int stringId, const CdgPack& pack) {
    RecordBytes& record = *record_;
    record.fill(0);
    put32(record, kTypeAt, CdgRecord::kError);
    put32(record, kPacketAt, packet);
    put32(record, kStringIdAt, std::uint32_t(stringId));
    std::copy(pack.begin(), pack.end(), record.begin() + kPackAt);
    return append(record);
}

bool CdgRecordFile::AppendSnapshot(std::uint32_t packet, const CdgScreen& screen) {
    RecordBytes& record = *record_;
    put32(record, kTypeAt, CdgRecord::kSnapshot);
    put32(record, kPacketAt, packet);
    CopyPalette(screen, std::span(record).subspan<kPaletteAt, kCdgColours * 4>());
    CopyBottomUp(screen, std::span(record).subspan<kImageAt, kCdgPixels>());
    return append(record);
}

bool CdgRecordFile::Rewind() {
    return std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0;
}

std::optional<CdgRecord> CdgRecordFile::Next() {
    RecordBytes& record = *record_;
    if (std::fread(record.data(), 1, record.size(), file_) != record.size()) {
        return std::nullopt;
    }
    CdgRecord read;
    read.packet = get32(record, kPacketAt);
    switch (get32(record, kTypeAt)) {
        case CdgRecord::kError:
            read.type = CdgRecord::kError;
            read.stringId = int(get32(record, kStringIdAt) & 0x7FFFFFFF);
            std::copy_n(record.begin() + kPackAt, kCdgPackBytes, read.pack.begin());
            return read;
        case CdgRecord::kSnapshot:
            read.type = CdgRecord::kSnapshot;
            std::copy_n(record.begin() + kPaletteAt, read.palette.size(), read.palette.begin());
            std::copy_n(record.begin() + kImageAt, kCdgPixels, read.bottomUpPixels.begin());
            return read;
        default:
            return std::nullopt;
    }
}

}  // namespace kel::diag
