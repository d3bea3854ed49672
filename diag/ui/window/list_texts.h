// What the list pane shows of a directory entry, column by column, and the
// order it sorts entries in.
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

#include "diag/fs/file_node.h"

namespace kel::diag {

// The list's columns.
enum ListColumn { kColumnName = 0, kColumnBlock = 1, kColumnSize = 2, kColumnDate = 3 };
inline constexpr int kListColumns = 4;

// Start blocks the readers use for entries that have no place of their own.
inline constexpr std::int32_t kBeyondVolume = -1;
inline constexpr std::int32_t kDuplicateEntry = -2;

// A node's name as recorded, for display.
QString NodeName(const FileNode& node);

// The name without a ";n" version marker when `removeVersion` is set.
QString ListNameText(const FileNode& node, bool removeVersion);
// "%d", or "N/A     " beyond the volume, "Duplicat" for a duplicate.
QString StartBlockText(std::int32_t startBlock);
// Bytes with the locale's thousands separator; from 10240 bytes on, whole
// kilobytes rounded up with "K".
QString SizeText(std::uint64_t size, const QLocale& locale = QLocale());

// The entries a directory holds itself: its count less its subdirectories'
// counts (never below 0, whatever the reader recorded).
std::int64_t DirectEntryCount(const FileNode& directory);

// Negative, zero or positive as `a` sorts before, with or after `b`. `state`
// is the column number + 1, negated for descending order; other columns
// leave the order as it is.
int CompareListItems(const FileNode& a, const FileNode& b, int state);

}  // namespace kel::diag
