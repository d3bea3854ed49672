#include "diag/tools/exports/directory_listing.h"

#include <QLocale>
#include <utility>
#include <vector>

#include "diag/fs/file_node.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/tools/duplicates/extent_overlaps.h"
#include "diag/tools/exports/save_text_dialog.h"
#include "diag/tools/exports/text_file.h"
#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// Beyond any folder path a reader builds.
constexpr std::size_t kMaxPiece = 1 << 16;

template <typename... Args>
std::string Format(std::string_view format, const Args&... args) {
    const FormatArg packed[] = {FormatArg(args)..., FormatArg(0)};
    return FormatText(format, std::span<const FormatArg>(packed, sizeof...(Args)), kMaxPiece);
}

std::string GroupedNumber(std::uint64_t value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<qulonglong>(value)).toStdString();
}

// The words of the copy column: "Yes", "No" and "Error", from the menu
// texts the copy command uses.
struct CopyWords {
    std::string yes, no, error;
};
CopyWords LoadCopyWords() {
    std::vector<std::string> words;
    const std::string list = LoadResString(902);
    std::size_t at = 0;
    while (at <= list.size() && words.size() < 3) {
        const std::size_t end = std::min(list.find(';', at), list.size());
        std::string word = list.substr(at, end - at);
        if (!word.empty() && word.front() == '&') {
            word.erase(0, 1);
        }
        words.push_back(std::move(word));
        at = end + 1;
    }
    words.resize(3);
    return {words[0], words[1], words[2]};
}

class ListingWriter {
public:
    explicit ListingWriter(bool withCopyColumn)
        : withCopyColumn_(withCopyColumn),
          copyWords_(withCopyColumn ? LoadCopyWords() : CopyWords{}),
          folderHeader_(LoadResString(withCopyColumn ? 228 : 183)),
          overlapWarning_(LoadResString(235)),
          linkNote_(LoadResString(202)) {}

    void Track(const TrackInfo& track) {
        text_ += Format(LoadResString(182), track.track, track.start);
        Folders(*track.root);
        text_ += "\n\n\n\n";
    }

    std::string Take() { return std::move(text_); }

private:
    // Each folder's own lines first, then its subfolders depth first; a
    // stack in place of recursion, as trees come from the disc.
    void Folders(const FileNode& root) {
        std::vector<std::pair<const FileNode*, std::string>> pending{{&root, std::string()}};
        while (!pending.empty()) {
            auto [folder, path] = std::move(pending.back());
            pending.pop_back();
            if (folder->firstChild == nullptr) {
                continue;
            }
            text_ += Format(folderHeader_, path);
            std::vector<const FileNode*> subfolders;
            for (const FileNode* entry = folder->firstChild; entry != nullptr;
                 entry = entry->next) {
                if (entry->name[0] == '\0') {
                    continue;
                }
                EntryLine(*entry);
                if (entry->firstChild != nullptr) {
                    subfolders.push_back(entry);
                }
            }
            for (auto at = subfolders.rbegin(); at != subfolders.rend(); ++at) {
                pending.emplace_back(
                    *at, path.empty() ? std::string((*at)->name) : path + "\\" + (*at)->name);
            }
        }
    }

    void EntryLine(const FileNode& entry) {
        switch (entry.startBlock) {
            case -1:
                text_ += "  N/A  ";
                break;
            case -2:
                text_ += "  Dup  ";
                break;
            default:
                text_ += Format("%6d ", entry.startBlock);
        }
        text_ += Format("%11s ", GroupedNumber(entry.size));
        text_ += Format("%19s", FormatRecordingDate(entry.recordingDate));
        if (withCopyColumn_) {
            text_ += Format(" %-7s", CopyWord(entry.flags));
        }
        text_ += ' ';
        if (std::string_view(entry.name) == "\1") {
            text_ += "..\\";
        } else {
            text_ += entry.name;
            if (entry.firstChild != nullptr) {
                text_ += '\\';
            }
        }
        if ((entry.flags & kOverlapsAnotherFile) != 0) {
            text_ += ' ';
            text_ += overlapWarning_;
        }
        LinkNote(entry);
        text_ += '\n';
    }

    const std::string& CopyWord(std::uint16_t flags) const {
        if ((flags & kCopiedFile) == 0) {
            return copyWords_.no;
        }
        return (flags & kCopyError) != 0 ? copyWords_.error : copyWords_.yes;
    }

    // A file whose data lies before its own track belongs to an earlier
    // session's volume: name the track that holds it.
    void LinkNote(const FileNode& entry) {
        if (Options().fileDetail == 0 || entry.track == nullptr || entry.startBlock <= 0 ||
            entry.startBlock >= entry.track->start) {
            return;
        }
        for (const TrackInfo* track = Tracks().first; track != nullptr; track = track->next) {
            if (track->end > entry.startBlock) {
                text_ += "  ";
                text_ += Format(linkNote_, track->track, track->session);
                return;
            }
        }
    }

    bool withCopyColumn_;
    CopyWords copyWords_;
    std::string folderHeader_;
    std::string overlapWarning_;
    std::string linkNote_;
    std::string text_;
};

}  // namespace

bool HasFileTree(const TrackInfo& track) {
    return track.root != nullptr && IsDirectory(*track.root) && track.root->firstChild != nullptr;
}

std::string DirectoryListingText(bool withCopyColumn) {
    ListingWriter writer(withCopyColumn);
    for (const TrackInfo* track = Tracks().first; track != nullptr && track->track != kLeadOutTrack;
         track = track->next) {
        if (HasFileTree(*track)) {
            writer.Track(*track);
        }
    }
    return writer.Take();
}

void SaveDirectoryListing(bool withCopyColumn) {
    bool any = false;
    for (const TrackInfo* track = Tracks().first; track != nullptr && track->track != kLeadOutTrack;
         track = track->next) {
        any = any || HasFileTree(*track);
    }
    if (!any) {
        ShowMessage(181);
        return;
    }
    const std::string name = AskSaveTextFileName(1003);
    if (name.empty()) {
        return;
    }
    if (std::unique_ptr<TextFile> file = TextFile::Create(name)) {
        file->Write(DirectoryListingText(withCopyColumn));
    }
}

}  // namespace kel::diag
