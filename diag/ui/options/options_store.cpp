#include "diag/ui/options/options_store.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <system_error>

#include "diag/tools/debug_log.h"
#include "diag/ui/guides.h"
#include "diag/ui/main_thread.h"

namespace kel::diag {
namespace {

// The flags kept in the settings key, by name.
struct StoredFlag {
    const char* name;
    std::uint8_t OptionsBlock::*field;
};

constexpr StoredFlag kStoredFlags[] = {
    {"RemoveVersion", &OptionsBlock::removeVersion},
    {"IgnoreJoliet", &OptionsBlock::ignoreJoliet},
    {"CopyPrompt", &OptionsBlock::copyPrompt},
    {"FileDetail", &OptionsBlock::fileDetail},
    {"ErrorFileRpt", &OptionsBlock::errorFileReport},
    {"SavePos", &OptionsBlock::savePosition},
    {"SortInitial", &OptionsBlock::sortInitial},
    {"IgnRecovered", &OptionsBlock::ignoreRecovered},
    {"AcceptErrors", &OptionsBlock::acceptErrors},
    {"ErrThreshold", &OptionsBlock::thresholdsEnabled},
    {"KeepUDFDups", &OptionsBlock::keepUdfDuplicates},
    {"AutoStart", &OptionsBlock::autoStart},
    {"ShowAll", &OptionsBlock::showAll},
};

// Sample counts are kept as DWORDs but used as signed counts: a value that
// does not fit is taken as the largest count.
std::int32_t sampleCount(std::uint32_t stored) {
    return static_cast<std::int32_t>(
        std::min<std::uint32_t>(stored, std::numeric_limits<std::int32_t>::max()));
}

// A font height beyond this is no sector display anyone can read; such a
// value comes from a damaged store, and the default is used.
constexpr std::int32_t kMaxFontHeight = 200;

// A text longer than the field holds would have been cut into another font or
// another file; the default is safer than either.
std::string boundedText(const RegistryKey& key, const char* name, std::string_view fallback,
                        std::size_t maxLength) {
    std::string text = key.ReadString(name, fallback);
    return text.size() > maxLength ? std::string(fallback) : text;
}

std::string systemTempPath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : path.string();
}

std::uint32_t guideBits(const std::array<std::uint8_t, 10>& flags) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (flags[i] != 0) {
            bits |= 1u << i;
        }
    }
    return bits;
}

void takeGuideBits(std::uint32_t bits, std::array<std::uint8_t, 10>& flags) {
    for (std::size_t i = 0; i < flags.size(); ++i) {
        flags[i] = (bits >> i) & 1u;
    }
}

// A piece counts as set when it starts (after blanks) with a non-zero
// number, as the C library reads one.
bool readsNonZero(std::string_view piece) {
    std::size_t at = 0;
    while (at < piece.size() && std::isspace(static_cast<unsigned char>(piece[at]))) {
        ++at;
    }
    if (at < piece.size() && (piece[at] == '+' || piece[at] == '-')) {
        ++at;
    }
    for (; at < piece.size() && std::isdigit(static_cast<unsigned char>(piece[at])); ++at) {
        if (piece[at] != '0') {
            return true;
        }
    }
    return false;
}

// Work files are put below the folder by appending their names.
std::string withTrailingSeparator(std::string path) {
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) {
        path += '/';
    }
    return path;
}

}  // namespace

bool OpenProgramKey(RegistryKey& key) {
    return key.Open("MORVALE");
}

void ResetErrorStatistics() {
    RegistryKey key;
    if (!OpenProgramKey(key)) {
        return;
    }
    key.Delete("ErrorRecovered");
    key.Delete("ErrorUnrecovered");
    key.Delete("\\ErrorSum");
}

std::string GuideUserText(const std::array<std::uint8_t, 10>& flags) {
    std::string text;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += flags[i] != 0 ? '1' : '0';
    }
    return text;
}

void ApplyGuideUserText(std::string_view text, std::array<std::uint8_t, 10>& flags) {
    std::size_t index = 0;
    std::size_t start = 0;
    while (index < flags.size() && start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string_view piece = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        flags[index++] = readsNonZero(piece) ? 1 : 0;
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
}

void LoadOptions() {
    RegistryKey key;
    OpenProgramKey(key);
    OptionsBlock& block = Options();
    LogSwitches& switches = logSwitches();
    block.debugMode =
        (key.ReadBool("DebugMode", false) || block.debugMode != 0 || switches.debugMode.load()) ? 1
                                                                                                : 0;
    switches.debugMode = block.debugMode != 0;
    block.logWriteThrough = (block.logWriteThrough != 0 || switches.writeThrough.load()) ? 1 : 0;
    block.allocationTracing =
        (block.allocationTracing != 0 || switches.allocationTracing.load()) ? 1 : 0;

    const OptionsBlock defaults;
    for (const StoredFlag& flag : kStoredFlags) {
        block.*flag.field = key.ReadBool(flag.name, defaults.*flag.field != 0) ? 1 : 0;
    }
    block.intensiveUdfScan = 0;
    block.quietReads = 1;

    ApplyGuideUserText(key.ReadString("GuideUser", ""), block.guideFlags);
    SetGuideFlags(guideBits(block.guideFlags));

    block.quickSamples =
        std::max(1, sampleCount(key.ReadDword("ErrorSumQuick",
                                              static_cast<std::uint32_t>(defaults.quickSamples))));
    block.moderateSamples =
        std::max(block.quickSamples,
                 sampleCount(key.ReadDword("ErrorSumModerate",
                                           static_cast<std::uint32_t>(defaults.moderateSamples))));
    const auto fontSize = static_cast<std::int32_t>(
        key.ReadDword("MonoFontSize", static_cast<std::uint32_t>(defaults.fixedFontSize)));
    block.fixedFontSize = (fontSize >= -kMaxFontHeight && fontSize <= kMaxFontHeight)
                              ? fontSize
                              : defaults.fixedFontSize;
    block.fixedFont = boundedText(key, "MonoFont", defaults.fixedFont, kMaxFontName);
    block.errorLogFile = boundedText(key, "ErrorLogFile", defaults.errorLogFile, kMaxPath);
    const std::string systemTemp = systemTempPath();
    block.tempPath = withTrailingSeparator(boundedText(key, "TempPath", systemTemp, kMaxPath));

    // A guide may be dismissed on a worker thread; the block belongs to the
    // main thread.
    SetGuideSaver([] {
        RunOnMainThread([] {
            SaveOptions();
            return 0;
        });
    });
}

void SaveOptions() {
    RegistryKey key;
    if (!OpenProgramKey(key)) {
        return;
    }
    OptionsBlock& block = Options();
    // The guides keep their own flags while the program runs.
    takeGuideBits(GuideFlags(), block.guideFlags);
    key.WriteBool("DebugMode", block.debugMode != 0);
    for (const StoredFlag& flag : kStoredFlags) {
        key.WriteBool(flag.name, block.*flag.field != 0);
    }
    key.WriteString("GuideUser", GuideUserText(block.guideFlags));
    key.WriteDword("ErrorSumQuick", static_cast<std::uint32_t>(block.quickSamples));
    key.WriteDword("ErrorSumModerate", static_cast<std::uint32_t>(block.moderateSamples));
    key.WriteDword("MonoFontSize", static_cast<std::uint32_t>(block.fixedFontSize));
    key.WriteString("MonoFont", block.fixedFont);
    key.WriteString("ErrorLogFile", block.errorLogFile);
}

}  // namespace kel::diag
