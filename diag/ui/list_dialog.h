// What the program's list dialogs share: tab stops given in dialog units,
// the list that draws its lines with them, and the OK, Help and Copy buttons
// under it.
#pragma once

#include <QStyledItemDelegate>
#include <QTextOption>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QDialogButtonBox;
class QFontMetrics;
class QListWidget;

namespace kel::diag {

// A horizontal dialog unit is a quarter of the average character width.
inline constexpr int kDialogUnitsPerCharacter = 4;

// Where a list's TABs stop for the list's font: at the given positions, or
// again and again at one distance, both in dialog units.
class ListTabStops {
public:
    static ListTabStops At(std::vector<int> units);
    static ListTabStops Every(int units);

    // The positions in pixels.
    std::vector<int> pixels(const QFontMetrics& metrics) const;
    void applyTo(QTextOption& layout, const QFontMetrics& metrics) const;
    // How wide `text` is drawn with these stops.
    int textWidth(const QFontMetrics& metrics, const QString& text) const;

private:
    std::vector<int> units_;
    int every_ = 0;
};

// Draws each line in the style's item frame with the list's tab stops, so
// that the columns line up whatever the texts' lengths; the list's
// horizontal extent follows the longest tabbed line.
class TabStopDelegate : public QStyledItemDelegate {
public:
    // `indent`: pixels between the item's left edge and the text.
    TabStopDelegate(ListTabStops stops, int indent, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ListTabStops stops_;
    int indent_;
};

// The dialog's list, named "list", with one item per line.
QListWidget* NewLineList(QWidget* dialog, const std::vector<std::string>& lines);

// OK (accepts the dialog), Help and Copy, named "ok", "help" and "copy".
// Without a `help` action the dialog has no Help button.
QDialogButtonBox* NewListButtons(QDialog* dialog, const std::function<void()>& help,
                                 const std::function<void()>& copy);

}  // namespace kel::diag
