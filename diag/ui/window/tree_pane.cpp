#include "diag/ui/window/tree_pane.h"

#include "diag/ui/window/list_texts.h"
#include "diag/ui/window/pane_icons.h"

namespace kel::diag {
namespace {

// Whether any entry of the directory has entries of its own: only then does
// the item offer to open.
bool hasNestedEntries(const FileNode& directory) {
    for (const FileNode* entry = directory.firstChild; entry != nullptr; entry = entry->next) {
        if (entry->firstChild != nullptr) {
            return true;
        }
    }
    return false;
}

QIcon treeIcon(const FileNode& node) {
    QIcon icon = PaneIconImage(TreeIconOf(node));
    const QIcon open = PaneIconImage(PaneIcon::OpenFolder);
    for (const QSize& size : open.availableSizes()) {
        icon.addPixmap(open.pixmap(size), QIcon::Selected);
    }
    return icon;
}

}  // namespace

TreePane::TreePane(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("treePane");
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

FileNode* TreePane::nodeOf(const QTreeWidgetItem* item) {
    return item == nullptr ? nullptr
                           : static_cast<FileNode*>(item->data(0, Qt::UserRole).value<void*>());
}

QTreeWidgetItem* TreePane::addNode(FileNode& node) {
    if (node.startBlock == kBeyondVolume || node.startBlock == kDuplicateEntry) {
        return nullptr;
    }
    QTreeWidgetItem* parentItem = nullptr;
    if (node.parent != nullptr) {
        parentItem = static_cast<QTreeWidgetItem*>(node.parent->treeItem);
        if (parentItem == nullptr) {
            return nullptr;
        }
    }
    auto* item = new QTreeWidgetItem(QStringList(NodeName(node)));
    item->setIcon(0, treeIcon(node));
    item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(&node)));
    item->setChildIndicatorPolicy(hasNestedEntries(node)
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (parentItem != nullptr) {
        parentItem->addChild(item);
    } else {
        addTopLevelItem(item);
    }
    node.treeItem = item;
    return item;
}

bool TreePane::focusNextPrevChild(bool) {
    emit tabPressed();
    return true;
}

}  // namespace kel::diag
