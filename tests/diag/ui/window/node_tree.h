// Directory trees built by hand, as a file-system reader would leave them.
#pragma once

#include <deque>
#include <string>

#include "diag/fs/file_node.h"

namespace kel::diag::test {

class NodeTree {
public:
    // A new last entry of `parent` (a root when null). Directories get the
    // "." and ".." entries a reader records.
    FileNode& add(FileNode* parent, const std::string& name, bool directory,
                  std::int32_t startBlock = 20, std::uint32_t size = 2048) {
        FileNode& node = append(parent, name);
        node.flags = directory ? node_flags::kDirectory : 0;
        node.startBlock = startBlock;
        node.size = size;
        if (directory) {
            append(&node, std::string()).flags = node_flags::kDirectory;
            append(&node, std::string("\1")).flags = node_flags::kDirectory;
        }
        if (parent != nullptr && parent->flags & node_flags::kDirectory) {
            for (FileNode* up = parent; up != nullptr; up = up->parent) {
                ++up->count;
            }
        }
        return node;
    }

private:
    FileNode& append(FileNode* parent, const std::string& name) {
        FileNode& node = nodes_.emplace_back();
        node.name = names_.emplace_back(name).data();
        node.parent = parent;
        if (parent != nullptr) {
            FileNode** link = &parent->firstChild;
            FileNode* previous = nullptr;
            while (*link != nullptr) {
                previous = *link;
                link = &(*link)->next;
            }
            *link = &node;
            node.previous = previous;
        }
        return node;
    }

    std::deque<FileNode> nodes_;
    std::deque<std::string> names_;
};

}  // namespace kel::diag::test
