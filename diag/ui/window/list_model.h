// The list pane's rows: the entries of the shown directory, whose texts are
// made only when a view asks for them, so a large directory fills at once.
#pragma once

#include <QAbstractTableModel>
#include <map>
#include <vector>

#include "diag/fs/file_node.h"
#include "diag/ui/window/pane_icons.h"

namespace kel::diag {

class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Shows these entries, in this order; each node's listIndex becomes its
    // row.
    void setNodes(std::vector<FileNode*> nodes);
    void clear() { setNodes({}); }
    // Every row's texts and pictures may read differently now (the options
    // changed): the views ask again and lay their items out anew.
    void refreshRows();
    // Adds one entry at the end.
    void appendNode(FileNode& node);
    // Sorts by CompareListItems with this state; the rows' nodes learn their
    // new places.
    void sortByState(int state);

    FileNode* nodeAt(int row) const;

private:
    void renumber();
    const QIcon& iconOf(PaneIcon icon) const;

    std::vector<FileNode*> nodes_;
    // Each picture made once: the views ask for one with every row drawn.
    mutable std::map<PaneIcon, QIcon> icons_;
};

}  // namespace kel::diag
