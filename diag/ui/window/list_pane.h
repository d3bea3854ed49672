// The list pane: the shown directory's entries in one of four styles. Large
// icons, small icons and list are one view in its three modes; details is a
// second view with the columns. Both show the same rows and selection.
#pragma once

#include <QListView>
#include <QStackedWidget>
#include <QTreeView>

#include "diag/ui/window/list_model.h"
#include "diag/ui/window/pane_settings.h"

namespace kel::diag {

class ListPane : public QStackedWidget {
    Q_OBJECT
public:
    explicit ListPane(QWidget* parent);

    ListModel& model() { return model_; }
    QItemSelectionModel* selection() const { return selection_; }
    QTreeView* detailsView() const { return details_; }

    void setListStyle(ListStyle style);
    ListStyle listStyle() const { return style_; }

    // The widths of columns 0-4 as the details view has them; a column that
    // does not exist counts 0.
    ColumnWidths readColumnWidths() const;
    void applyColumnWidths(const ColumnWidths& widths);

    // The selected rows' nodes, in row order.
    std::vector<FileNode*> selectedNodes() const;

signals:
    void columnClicked(int column);
    void nodeActivated();
    void backspacePressed();
    void tabPressed();
    void contextMenuAt(QPoint globalPosition);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ListModel model_;
    QItemSelectionModel* selection_;
    QListView* icons_;
    QTreeView* details_;
    ListStyle style_ = ListStyle::Details;
};

}  // namespace kel::diag
