#include "diag/tools/errscan/error_log.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cstdio>
#include <mutex>

#include "diag/device/device_access.h"
#include "diag/disc/scan/volume_names.h"
#include "diag/state/options.h"
#include "diag/ui/messages.h"
#include "platform/base/paths.h"

namespace kel::diag {
namespace {

constexpr std::size_t kMaxLogText = 499;
constexpr std::int32_t kFramesPerMinute = 4500;
constexpr std::int32_t kFramesPerSecond = 75;

std::int64_t blocksOf(const FileNode& node) {
    return static_cast<std::int64_t>((node.size + 2047) / 2048);
}

std::string formatted(int id, std::span<const FormatArg> args) {
    return FormatText(LoadResString(id), args, kMaxLogText);
}

// The volume's own label, not the tree's "\ LABEL (Session n)".
std::string volumeName(const TrackList& tracks) {
    const TrackInfo* first = tracks.first;
    if (first == nullptr || first->root == nullptr || first->root->name == nullptr) {
        return "???";
    }
    const std::string label = TitleLabel(*first->root);
    return label.empty() ? "???" : label;
}

}  // namespace

const FileNode* FindFileAtBlock(const FileNode* first, std::int32_t block) {
    for (const FileNode* node = first; node != nullptr; node = node->next) {
        if (node->startBlock >= 0 && node->startBlock <= block &&
            block < node->startBlock + blocksOf(*node)) {
            return node;
        }
        if (const FileNode* below = FindFileAtBlock(node->firstChild, block)) {
            return below;
        }
    }
    return nullptr;
}

std::string ReadErrorLine(std::int32_t block, const TrackInfo& track) {
    if (!IsDataTrack(track)) {
        const std::int32_t rel = block - track.start;
        const FormatArg args[] = {int{track.track}, rel, rel / kFramesPerMinute,
                                  (rel % kFramesPerMinute) / kFramesPerSecond,
                                  rel % kFramesPerSecond};
        return formatted(192, args);
    }
    // A continuation track's files hang below the track whose volume it
    // extends.
    const TrackInfo* volume = &track;
    if (track.root == nullptr && (track.flags & track_flags::kContinuation) != 0 &&
        track.prev != nullptr) {
        volume = track.prev;
    }
    const FileNode* file =
        volume->root ? FindFileAtBlock(volume->root->firstChild, block) : nullptr;
    if (file == nullptr || file->name == nullptr) {
        const FormatArg args[] = {int{track.track}, block};
        return formatted(186, args);
    }
    const FormatArg args[] = {int{track.track}, block, file->name};
    return formatted(187, args);
}

std::string ErrorLogHeader(std::string_view driveDescription, const TrackList& tracks) {
    const QLocale locale = QLocale::system();
    const std::string date =
        locale.toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
    const std::string time =
        locale.toString(QTime::currentTime(), QLocale::ShortFormat).toStdString();
    const std::string volume = volumeName(tracks);
    const FormatArg args[] = {driveDescription, volume, date, time};
    return formatted(188, args);
}

std::filesystem::path ErrorLogPath() {
    std::filesystem::path file = Options().errorLogFile;
    return file.is_absolute() ? file : paths::programDir() / file;
}

void AppendErrorLog(std::string_view text) {
    // Lines of one scan come from one worker, but the file is the user's to
    // name: two summaries must not interleave within it.
    static std::mutex lock;
    std::lock_guard guard(lock);
    std::FILE* file = std::fopen(ErrorLogPath().c_str(), "ab");
    if (file == nullptr) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fwrite("\r\n", 1, 2, file);
    std::fclose(file);
}

void ReportReadError(std::int32_t block, const TrackInfo& track, bool& headerWritten) {
    if (!headerWritten) {
        headerWritten = true;
        CdDevice* device = CurrentDevice();
        AppendErrorLog(
            ErrorLogHeader(device ? device->DeviceDescription() : std::string(), Tracks()));
    }
    AppendErrorLog(ReadErrorLine(block, track));
}

}  // namespace kel::diag
