#include "diag/ui/window/list_pane.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

#include "diag/ui/window/pane_icons.h"

namespace kel::diag {
ListPane::ListPane(QWidget* parent) : QStackedWidget(parent), model_(this) {
    setObjectName("listPane");
    selection_ = new QItemSelectionModel(&model_, this);

    icons_ = new QListView(this);
    icons_->setObjectName("listIcons");
    icons_->setModel(&model_);
    icons_->setSelectionModel(selection_);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setWrapping(true);

    details_ = new QTreeView(this);
    details_->setObjectName("listDetails");
    details_->setModel(&model_);
    details_->setSelectionModel(selection_);
    details_->setRootIsDecorated(false);
    details_->setItemsExpandable(false);
    details_->setUniformRowHeights(true);
    details_->header()->setSectionsClickable(true);
    details_->header()->setStretchLastSection(false);
    connect(details_->header(), &QHeaderView::sectionClicked, this, &ListPane::columnClicked);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(icons_), static_cast<QAbstractItemView*>(details_)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &ListPane::nodeActivated);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](QPoint at) { emit contextMenuAt(view->viewport()->mapToGlobal(at)); });
        addWidget(view);
    }
    setListStyle(ListStyle::Details);
}

void ListPane::setListStyle(ListStyle style) {
    style_ = style;
    if (style == ListStyle::Details) {
        setCurrentWidget(details_);
        return;
    }
    const bool large = style == ListStyle::LargeIcons;
    icons_->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    const int side = large ? kLargeIconPixels : kSmallIconPixels;
    icons_->setIconSize(QSize(side, side));
    // Small icons run in rows, the list in columns.
    icons_->setFlow(style == ListStyle::List ? QListView::TopToBottom : QListView::LeftToRight);
    icons_->setWrapping(true);
    setCurrentWidget(icons_);
}

ColumnWidths ListPane::readColumnWidths() const {
    ColumnWidths widths{};
    const int columns = std::min<int>(model_.columnCount(), static_cast<int>(widths.size()));
    for (int column = 0; column < columns; ++column) {
        widths[static_cast<std::size_t>(column)] = details_->columnWidth(column);
    }
    return widths;
}

void ListPane::applyColumnWidths(const ColumnWidths& widths) {
    const int columns = std::min<int>(model_.columnCount(), static_cast<int>(widths.size()));
    for (int column = 0; column < columns; ++column) {
        details_->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
    }
}

std::vector<FileNode*> ListPane::selectedNodes() const {
    // The icon view selects the name column only, the details view whole
    // rows: a row counts once, whatever of it is selected.
    std::vector<int> rows;
    for (const QModelIndex& index : selection_->selectedIndexes()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<FileNode*> nodes;
    for (int row : rows) {
        if (FileNode* node = model_.nodeAt(row)) {
            nodes.push_back(node);
        }
    }
    return nodes;
}

bool ListPane::eventFilter(QObject* watched, QEvent* event) {
    // Seen here before the view would take Tab as a focus change.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Backspace) {
            emit backspacePressed();
            return true;
        }
        if (key == Qt::Key_Tab) {
            emit tabPressed();
            return true;
        }
    }
    return QStackedWidget::eventFilter(watched, event);
}

}  // namespace kel::diag
