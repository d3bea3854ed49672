#include "diag/ui/window/list_model.h"

#include <algorithm>

#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/ui/window/list_texts.h"
#include "diag/ui/window/pane_icons.h"

namespace kel::diag {

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(nodes_.size());
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumns;
}

FileNode* ListModel::nodeAt(int row) const {
    return row >= 0 && row < static_cast<int>(nodes_.size()) ? nodes_[static_cast<std::size_t>(row)]
                                                             : nullptr;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    const FileNode* node = nodeAt(index.row());
    if (node == nullptr) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kColumnName:
                    return ListNameText(*node, Options().removeVersion != 0);
                case kColumnBlock:
                    return StartBlockText(node->startBlock);
                case kColumnSize:
                    return SizeText(node->size);
                case kColumnDate:
                    return QString::fromStdString(FormatRecordingDate(node->recordingDate));
                default:
                    return {};
            }
        case Qt::DecorationRole:
            return index.column() == kColumnName ? QVariant(iconOf(ListIconOf(*node))) : QVariant();
        case Qt::TextAlignmentRole:
            return index.column() == kColumnName ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                 : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return section == kColumnName ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                      : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case kColumnName:
            return tr("Filename");
        case kColumnBlock:
            return tr("Block");
        case kColumnSize:
            return tr("Size");
        case kColumnDate:
            return tr("Date");
        default:
            return {};
    }
}

void ListModel::setNodes(std::vector<FileNode*> nodes) {
    beginResetModel();
    nodes_ = std::move(nodes);
    renumber();
    endResetModel();
}

void ListModel::refreshRows() {
    if (!nodes_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kListColumns - 1));
    }
}

void ListModel::appendNode(FileNode& node) {
    const int row = static_cast<int>(nodes_.size());
    beginInsertRows({}, row, row);
    nodes_.push_back(&node);
    node.listIndex = row;
    endInsertRows();
}

void ListModel::sortByState(int state) {
    emit layoutAboutToBeChanged();
    // The selection follows its entries to their new rows.
    const QModelIndexList before = persistentIndexList();
    std::vector<const FileNode*> held;
    for (const QModelIndex& index : before) {
        held.push_back(nodeAt(index.row()));
    }
    std::stable_sort(nodes_.begin(), nodes_.end(), [state](const FileNode* a, const FileNode* b) {
        return CompareListItems(*a, *b, state) < 0;
    });
    renumber();
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const FileNode* node = held[static_cast<std::size_t>(i)];
        after << (node != nullptr ? index(node->listIndex, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

const QIcon& ListModel::iconOf(PaneIcon icon) const {
    auto found = icons_.find(icon);
    if (found == icons_.end()) {
        found = icons_.emplace(icon, PaneIconImage(icon)).first;
    }
    return found->second;
}

void ListModel::renumber() {
    for (std::size_t row = 0; row < nodes_.size(); ++row) {
        nodes_[row]->listIndex = static_cast<std::int32_t>(row);
    }
}

}  // namespace kel::diag
