// The checks of one data track's volume during the analysis: descriptor
// sizes and identifiers, the directory tree, files linked to earlier
// sessions, overlapping UDF extents and the post-gap behind the track.
// Findings are analysis lines; the questionable ones clear the verdict.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "diag/disc/analysis/disc_reads.h"
#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag {

void AnalyzeIsoTrack(const TrackInfo& track);
void AnalyzeHighSierraTrack(const TrackInfo& track);
void AnalyzeHfsTrack(const TrackInfo& track);
void AnalyzeUdfTrack(const TrackInfo& track);

// Character classes of a name or identifier, lowest first.
namespace iso_chars {
inline constexpr int kBlank = 0;
inline constexpr int kDCharacters = 1;
inline constexpr int kACharacters = 2;
inline constexpr int kOther = 3;
// Characters that MS-DOS can't access: lowercase letters, :.,;=+ TAB and
// blank where the class would be kOther.
inline constexpr int kNotForDos = 4;
}  // namespace iso_chars

// The class of the first `maximum` characters of `text`, trailing blanks
// dropped. In file-name mode a final ";x" version is not counted and one
// "." (not the first character) is allowed.
int ClassifyIsoChars(std::string_view text, std::size_t maximum, bool fileNameMode);

// Calls `visit`(node, index among its siblings) for every child of
// `directory` in order, descending into each child that has children.
using NodeVisitor = std::function<void(const FileNode& node, int index)>;
void WalkFileTree(const FileNode& directory, const NodeVisitor& visit);

// Counts the zero blocks behind the track (the post-gap); `buffer` is a
// block buffer the caller can spare, or null.
void CheckPostGap(const TrackInfo& track, std::span<std::uint8_t, kSectorBytes>* buffer);

// Which files of the track's tree lie in earlier sessions, and where.
void ReportLinkedFiles(const TrackInfo& track);

}  // namespace kel::diag
