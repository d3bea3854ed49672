// The explorer-like pair of panes between the toolbar and the status bar: the
// tree of the disc's directories on the left, the shown directory's entries
// on the right, and the 5-pixel strip between them that the user drags.
// Created once by the main window (which lays it out in its client area) and
// living until the window closes.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "diag/fs/file_node.h"
#include "diag/ui/window/list_pane.h"
#include "diag/ui/window/pane_settings.h"
#include "diag/ui/window/tree_pane.h"

class QRubberBand;

namespace kel::diag {

class Panes : public QWidget {
    Q_OBJECT
public:
    // Reads the tree width, the list style and the column widths.
    explicit Panes(QWidget* parent = nullptr);
    // Saves the column widths of a details list.
    ~Panes() override;

    void AddTreeNode(FileNode& node);
    void AddListItem(FileNode& node);
    // Selects the node's item, which shows its entries in the list.
    void SelectTreeNode(FileNode& node);
    FileNode* SelectedTreeNode() const;
    // The selected entry after `previous` (the first with null), in list
    // order; null after the last.
    FileNode* NextSelectedListNode(const FileNode* previous) const;
    // View menu order: 0 large icons, 1 small icons, 2 list, 3 details.
    void SetListStyle(int index);
    void ClearListPane();
    // Removes every item of both panes; called before the disc's nodes are
    // freed, since the items point at them.
    void ClearTree();
    void LayoutPanes(int width, int height);
    void RepaintPanes();
    // Backspace in the main window: up to the tree parent, or a beep.
    void OnMainKeyDown(int key);

    enum class SplitterStep { Start, Move, End };
    void TrackSplitter(int x, SplitterStep step);
    bool splitterDragging() const { return dragging_; }

    // The context menus the main window builds; their commands are its own.
    void setDirectoryMenu(QMenu* menu) { directoryMenu_ = menu; }
    void setFileMenu(QMenu* menu) { fileMenu_ = menu; }

    TreePane* tree() const { return tree_; }
    ListPane* list() const { return list_; }
    int sortState() const { return sortState_; }
    int treeWidth() const { return treeWidth_; }

    static constexpr int kSplitterWidth = 5;
    static constexpr int kDragMargin = 50;

signals:
    // The list style's View menu index, to check the menu item and button.
    void listStyleChanged(int index);
    // After every layout: the status bar shows the device again.
    void laidOut();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showDirectory(FileNode& directory);
    void columnClicked(int column);
    void listSelectionChanged(const QItemSelection& selected);
    void listNodeActivated();
    void selectTreeParent();
    void saveColumnWidths();
    void drawBar(int x);

    TreePane* tree_;
    ListPane* list_;
    QRubberBand* bar_;
    QPointer<QMenu> directoryMenu_;
    QPointer<QMenu> fileMenu_;
    int treeWidth_;
    ColumnWidths columnWidths_;
    int sortState_ = 0;
    bool dragging_ = false;
    int lastBar_ = 0;
};

}  // namespace kel::diag
