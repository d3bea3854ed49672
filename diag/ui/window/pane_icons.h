// The pictures of the tree and list panes, chosen by a node's kind and flags.
#pragma once

#include <QIcon>

#include "diag/fs/file_node.h"

namespace kel::diag {

// Bits of FileNode::flags that only change a node's picture.
namespace icon_flags {
inline constexpr std::uint16_t kAlternate = 32;  // the reader's second kind of entry
inline constexpr std::uint16_t kMarkedA = 64;
inline constexpr std::uint16_t kMarkedB = 128;
}  // namespace icon_flags

enum class PaneIcon {
    Folder,
    OpenFolder,
    File,
    AlternateFolder,
    AlternateFile,
    Missing,
    Marked,
};

// The sides of the pictures in the small and the large styles, in pixels.
inline constexpr int kSmallIconPixels = 16;
inline constexpr int kLargeIconPixels = 48;

PaneIcon TreeIconOf(const FileNode& node);
PaneIcon ListIconOf(const FileNode& node);
// The picture, with a form of kLargeIconPixels among its sizes.
QIcon PaneIconImage(PaneIcon icon);

}  // namespace kel::diag
