// The tree pane: one item per directory of the disc's data tracks, each
// carrying its FileNode.
#pragma once

#include <QTreeWidget>

#include "diag/fs/file_node.h"

namespace kel::diag {

class TreePane : public QTreeWidget {
    Q_OBJECT
public:
    explicit TreePane(QWidget* parent);

    // Entries beyond the volume and duplicates are not shown; a node whose
    // parent has no item is not inserted. Returns the new item or null.
    QTreeWidgetItem* addNode(FileNode& node);

    static FileNode* nodeOf(const QTreeWidgetItem* item);

signals:
    // Tab: the focus goes to the list.
    void tabPressed();

protected:
    bool focusNextPrevChild(bool next) override;
};

}  // namespace kel::diag
