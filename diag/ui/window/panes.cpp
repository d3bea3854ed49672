#include "diag/ui/window/panes.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QRubberBand>
#include <algorithm>

#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/ui/window/list_texts.h"

namespace kel::diag {

Panes::Panes(QWidget* parent) : QWidget(parent) {
    setObjectName("panes");
    const PaneSettings settings = ReadPaneSettings();
    treeWidth_ = settings.treeWidth;
    columnWidths_ = settings.columnWidths;
    tree_ = new TreePane(this);
    list_ = new ListPane(this);
    list_->applyColumnWidths(columnWidths_);
    list_->setListStyle(settings.listStyle);
    bar_ = new QRubberBand(QRubberBand::Line, this);
    setCursor(Qt::SplitHCursor);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        ClearListPane();
        if (FileNode* node = TreePane::nodeOf(current)) {
            showDirectory(*node);
        }
    });
    connect(tree_, &TreePane::tabPressed, this, [this] { list_->currentWidget()->setFocus(); });
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        if (directoryMenu_) {
            directoryMenu_->exec(tree_->viewport()->mapToGlobal(at));
        }
    });
    connect(list_, &ListPane::columnClicked, this, &Panes::columnClicked);
    connect(list_->selection(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) { listSelectionChanged(selected); });
    connect(list_, &ListPane::nodeActivated, this, &Panes::listNodeActivated);
    connect(list_, &ListPane::backspacePressed, this, &Panes::selectTreeParent);
    connect(list_, &ListPane::tabPressed, this, [this] { tree_->setFocus(); });
    connect(list_, &ListPane::contextMenuAt, this, [this](QPoint at) {
        if (fileMenu_) {
            fileMenu_->exec(at);
        }
    });
}

Panes::~Panes() {
    saveColumnWidths();
}

void Panes::AddTreeNode(FileNode& node) {
    tree_->addNode(node);
}

void Panes::AddListItem(FileNode& node) {
    list_->model().appendNode(node);
}

void Panes::SelectTreeNode(FileNode& node) {
    if (auto* item = static_cast<QTreeWidgetItem*>(node.treeItem)) {
        tree_->setCurrentItem(item);
    }
}

FileNode* Panes::SelectedTreeNode() const {
    return TreePane::nodeOf(tree_->currentItem());
}

FileNode* Panes::NextSelectedListNode(const FileNode* previous) const {
    const std::vector<FileNode*> selected = list_->selectedNodes();
    auto next = selected.begin();
    if (previous != nullptr) {
        next = std::find(selected.begin(), selected.end(), previous);
        if (next != selected.end()) {
            ++next;
        }
    }
    return next == selected.end() ? nullptr : *next;
}

void Panes::saveColumnWidths() {
    if (list_->listStyle() != ListStyle::Details) {
        return;
    }
    const ColumnWidths widths = list_->readColumnWidths();
    if (widths != columnWidths_) {
        columnWidths_ = widths;
        WriteListSettings(list_->listStyle(), columnWidths_);
    }
}

void Panes::SetListStyle(int index) {
    if (list_->listStyle() == ListStyle::Details) {
        columnWidths_ = list_->readColumnWidths();
    }
    const ListStyle style = ListStyleOfIndex(index);
    list_->setListStyle(style);
    if (style == ListStyle::Details) {
        list_->applyColumnWidths(columnWidths_);
    }
    RepaintPanes();
    WriteListSettings(style, columnWidths_);
    emit listStyleChanged(IndexOfListStyle(style));
}

void Panes::ClearListPane() {
    saveColumnWidths();
    list_->model().clear();
}

void Panes::ClearTree() {
    ClearListPane();
    const QSignalBlocker quiet(tree_);
    tree_->clear();
}

void Panes::showDirectory(FileNode& directory) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<FileNode*> entries;
    for (FileNode* entry = directory.firstChild; entry != nullptr; entry = entry->next) {
        if (!IsDotEntry(*entry)) {
            entries.push_back(entry);
        }
    }
    list_->model().setNodes(std::move(entries));
    if (Options().sortInitial != 0) {
        sortState_ = kColumnName + 1;
        list_->model().sortByState(sortState_);
    }
    StatusText(125, DirectEntryCount(directory));
    QApplication::restoreOverrideCursor();
}

void Panes::columnClicked(int column) {
    sortState_ = sortState_ == column + 1 ? -(column + 1) : column + 1;
    list_->model().sortByState(sortState_);
}

void Panes::listSelectionChanged(const QItemSelection& selected) {
    if (selected.isEmpty()) {
        return;
    }
    const FileNode* node = list_->model().nodeAt(selected.indexes().first().row());
    if (node == nullptr) {
        return;
    }
    if (IsDirectory(*node)) {
        StatusText(125, DirectEntryCount(*node));
        return;
    }
    const std::vector<FileNode*> nodes = list_->selectedNodes();
    if (nodes.size() == 1) {
        StatusText(123, node->size, FormatRecordingDate(node->recordingDate));
        return;
    }
    std::uint64_t bytes = 0;
    for (const FileNode* entry : nodes) {
        bytes += entry->size;
    }
    StatusText(149, nodes.size(), bytes);
}

void Panes::listNodeActivated() {
    const std::vector<FileNode*> nodes = list_->selectedNodes();
    if (nodes.size() == 1 && IsDirectory(*nodes.front()) && nodes.front()->startBlock >= 0) {
        SelectTreeNode(*nodes.front());
    }
}

void Panes::selectTreeParent() {
    QTreeWidgetItem* current = tree_->currentItem();
    if (current == nullptr || current->parent() == nullptr) {
        QApplication::beep();
        return;
    }
    tree_->setCurrentItem(current->parent());
}

void Panes::OnMainKeyDown(int key) {
    if (key == Qt::Key_Backspace) {
        selectTreeParent();
    }
}

void Panes::LayoutPanes(int width, int height) {
    const int treeWidth = std::min(treeWidth_, width);
    const int listWidth = std::max(0, width - treeWidth - kSplitterWidth);
    tree_->setGeometry(0, 0, treeWidth, height);
    list_->setGeometry(treeWidth + kSplitterWidth, 0, listWidth, height);
    emit laidOut();
}

void Panes::RepaintPanes() {
    tree_->viewport()->update();
    // The view caches its items' sizes: a repaint of the widget alone would
    // show the old names until another directory is opened.
    list_->model().refreshRows();
}

void Panes::drawBar(int x) {
    bar_->setGeometry(x - 2, 0, kSplitterWidth, height());
    bar_->show();
    bar_->raise();
    lastBar_ = x;
}

void Panes::TrackSplitter(int x, SplitterStep step) {
    switch (step) {
        case SplitterStep::Start:
            // Not while the hourglass (or another drag) holds the cursor.
            if (dragging_ || QApplication::overrideCursor() != nullptr) {
                return;
            }
            dragging_ = true;
            QApplication::setOverrideCursor(Qt::SplitHCursor);
            drawBar(x);
            return;
        case SplitterStep::Move:
            if (!dragging_ || x <= kDragMargin || x >= width() - kDragMargin) {
                return;
            }
            drawBar(x);
            return;
        case SplitterStep::End:
            if (!dragging_) {
                return;
            }
            QApplication::restoreOverrideCursor();
            bar_->hide();
            dragging_ = false;
            treeWidth_ = lastBar_;
            WriteTreeWidth(treeWidth_);
            LayoutPanes(width(), height());
            return;
    }
}

void Panes::resizeEvent(QResizeEvent*) {
    LayoutPanes(width(), height());
}

// The panes cover everything but the strip between them, so the mouse
// reaches this widget only there (or while a drag holds it).
void Panes::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        TrackSplitter(event->position().toPoint().x(), SplitterStep::Start);
    }
}

void Panes::mouseMoveEvent(QMouseEvent* event) {
    TrackSplitter(event->position().toPoint().x(), SplitterStep::Move);
}

void Panes::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        TrackSplitter(event->position().toPoint().x(), SplitterStep::End);
    }
}

}  // namespace kel::diag
