#include "diag/tools/duplicates/extent_work_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>

#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/format_text.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr int kNameAttempts = 0x10000;
constexpr std::size_t kMaxName = 4096;

bool Debug() {
    return logSwitches().debugMode;
}

// The system's temporary folder stands for the fixed fallback folder.
std::string FallbackName() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return ((error ? std::filesystem::path("/tmp") : folder) / "TEMPFILE.$$$").string();
}

// A new file "MOVnnnn.TMP" in the TempPath folder; null when no name can be
// made there.
std::FILE* CreateInTempFolder(std::string& name) {
    const std::string& folder = Options().tempPath;
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        return nullptr;
    }
    const auto seed =
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const FormatArg args[] = {(seed + static_cast<std::uint32_t>(attempt)) & 0xFFFF};
        name = (std::filesystem::path(folder) / FormatText("MOV%04X.TMP", args, kMaxName)).string();
        // "x": never an existing file, even one made a moment ago.
        if (std::FILE* file = std::fopen(name.c_str(), "w+bx")) {
            return file;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<ExtentWorkFile> ExtentWorkFile::Create() {
    std::string name;
    std::FILE* file = CreateInTempFolder(name);
    if (file == nullptr) {
        name = FallbackName();
        file = std::fopen(name.c_str(), "w+b");
    }
    if (file == nullptr) {
        ShowMessage(131, name, std::strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<ExtentWorkFile>(new ExtentWorkFile(std::move(name), file));
}

ExtentWorkFile::~ExtentWorkFile() {
    std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(name_, ignored);
}

bool ExtentWorkFile::Append(const ExtentEntry& record) {
    if (std::fwrite(&record, sizeof record, 1, file_) == 1) {
        return true;
    }
    if (Debug()) {
        DebugLog("Error writing extent data: %s (%d)", std::strerror(errno), errno);
    }
    return false;
}

bool ExtentWorkFile::ReadAll(Records& records) {
    records = {};
    long bytes = -1;
    if (std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_END) == 0) {
        bytes = std::ftell(file_);
    }
    const bool fits =
        bytes >= 0 && static_cast<unsigned long>(bytes) <=
                          static_cast<unsigned long>(std::numeric_limits<std::int32_t>::max());
    if (!fits || std::fseek(file_, 0, SEEK_SET) != 0) {
        if (Debug()) {
            DebugLog("Error reading extent data: %s (%d)", std::strerror(errno), errno);
        }
        return false;
    }
    if (Debug()) {
        DebugLog("Extent work file %s is 0x%x bytes", name_, bytes);
    }
    const std::size_t count = static_cast<std::size_t>(bytes) / sizeof(ExtentEntry);
    if (count == 0) {
        return true;
    }
    auto* table = static_cast<ExtentEntry*>(
        TrackedAlloc(static_cast<std::int32_t>(count * sizeof(ExtentEntry)), __FILE__, __LINE__));
    if (table == nullptr) {
        return false;
    }
    if (std::fread(table, sizeof(ExtentEntry), count, file_) != count) {
        if (Debug()) {
            DebugLog("Error reading extent data: %s (%d)", std::strerror(errno), errno);
        }
        TrackedFree(table, __FILE__, __LINE__);
        return false;
    }
    records = {table, static_cast<std::int32_t>(count)};
    return true;
}

}  // namespace kel::diag
