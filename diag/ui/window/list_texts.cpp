#include "diag/ui/window/list_texts.h"

#include <QCollator>
#include <cstdlib>
#include <cstring>

namespace kel::diag {
namespace {

// Kilobytes only from this size on, where the byte count stops being
// readable at a glance.
constexpr std::uint32_t kKilobyteDisplayFrom = 10240;

int sign(std::int64_t difference) {
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

int compareNames(const FileNode& a, const FileNode& b) {
    if (IsDirectory(a) != IsDirectory(b)) {
        return IsDirectory(a) ? -1 : 1;
    }
    thread_local QCollator collator = [] {
        QCollator c{QLocale()};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setIgnorePunctuation(false);
        return c;
    }();
    return sign(collator.compare(NodeName(a), NodeName(b)));
}

int compareDates(const FileNode& a, const FileNode& b) {
    for (std::size_t i = 0; i < a.recordingDate.size(); ++i) {
        if (a.recordingDate[i] != b.recordingDate[i]) {
            return a.recordingDate[i] < b.recordingDate[i] ? -1 : 1;
        }
    }
    return 0;
}

}  // namespace

QString NodeName(const FileNode& node) {
    return node.name == nullptr ? QString() : QString::fromUtf8(node.name);
}

QString ListNameText(const FileNode& node, bool removeVersion) {
    QString name = NodeName(node);
    if (removeVersion && name.size() >= 2 && name[name.size() - 2] == ';') {
        name.chop(2);
    }
    return name;
}

QString StartBlockText(std::int32_t startBlock) {
    switch (startBlock) {
        case kBeyondVolume:
            return QStringLiteral("N/A     ");
        case kDuplicateEntry:
            return QStringLiteral("Duplicat");
        default:
            return QString::number(startBlock);
    }
}

QString SizeText(std::uint64_t size, const QLocale& locale) {
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    if (size < kKilobyteDisplayFrom) {
        return grouped.toString(static_cast<qulonglong>(size));
    }
    return grouped.toString((static_cast<qulonglong>(size) + 1023) / 1024) + "K";
}

std::int64_t DirectEntryCount(const FileNode& directory) {
    std::int64_t count = directory.count;
    for (const FileNode* entry = directory.firstChild; entry != nullptr; entry = entry->next) {
        if (IsDirectory(*entry) && !IsDotEntry(*entry)) {
            count -= entry->count;
        }
    }
    return count < 0 ? 0 : count;
}

int CompareListItems(const FileNode& a, const FileNode& b, int state) {
    const FileNode& first = state < 0 ? b : a;
    const FileNode& second = state < 0 ? a : b;
    switch (std::abs(state)) {
        case kColumnName + 1:
            return compareNames(first, second);
        case kColumnBlock + 1:
            return sign(std::int64_t{first.startBlock} - second.startBlock);
        case kColumnSize + 1:
            return first.size < second.size ? -1 : first.size > second.size ? 1 : 0;
        case kColumnDate + 1:
            return compareDates(first, second);
        default:
            return 0;
    }
}

}  // namespace kel::diag
