// What the disc model and the file-system readers hand to the main window's
// panes: status-bar texts and the nodes of the tree pane. The panes install
// their handlers when they exist; before that (and in tests without a
// window) a status text is dropped and a tree insertion does nothing, which
// is what a program without a main window shows.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "diag/tools/format_text.h"

namespace kel::diag {

struct FileNode;

struct PaneHooks {
    std::function<void(std::string_view text)> statusText;
    // Adds `node` to the tree pane below its parent's item (or as a top-level
    // item for a track root).
    std::function<void(FileNode& node)> insertTreeNode;
};

// Replaces the handlers; either may be empty.
void SetPaneHooks(PaneHooks hooks);

// Shows string-table entry `id`, formatted with `args`, in the status bar.
void StatusTextArgs(std::uint32_t id, std::span<const FormatArg> args);
template <typename... Args>
void StatusText(std::uint32_t id, const Args&... args) {
    const FormatArg packed[] = {FormatArg(args)..., FormatArg(0)};
    StatusTextArgs(id, std::span<const FormatArg>(packed, sizeof...(Args)));
}

// Inserts one node into the tree pane.
void InsertTreeNode(FileNode& node);

}  // namespace kel::diag
