#include "diag/fs/volinfo/volume_info_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace kel::diag {

namespace {

// One tab stop of 100 dialog units: 25 average character widths.
constexpr int kTabStopCharacters = 25;
constexpr int kClipboardColumn = 28;
constexpr int kExtentMargin = 5;

int TabStop(const QFontMetrics& metrics) {
    return metrics.averageCharWidth() * kTabStopCharacters;
}

int TabbedWidth(const QFontMetrics& metrics, const QString& text) {
    return metrics.boundingRect(QRect(), Qt::TextExpandTabs, text, TabStop(metrics)).width();
}

// Draws an item's text with the list's own tab stop, so that the values
// line up in one column whatever the label's length.
class TabStopDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        QStyle* style = item.widget ? item.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
        QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
        layout.setWrapMode(QTextOption::NoWrap);
        layout.setTabStopDistance(TabStop(item.fontMetrics));
        painter->save();
        painter->setPen(item.palette.color(
            item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRectF(item.rect.adjusted(2, 0, 0, 0)), text, layout);
        painter->restore();
    }

    // The list's horizontal extent follows the longest tabbed line.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(TabbedWidth(option.fontMetrics, index.data().toString()) + kExtentMargin);
        return size;
    }
};

}  // namespace

VolumeInfoDialog::VolumeInfoDialog(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent), lines_(lines) {
    setObjectName("VOLUMEINFO");
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("list");
    list_->setItemDelegate(new TabStopDelegate(list_));
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (const std::string& line : lines_) {
        list_->addItem(QString::fromStdString(line));
    }
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* copy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName("copy");
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(ClipboardText(lines_)); });
    layout->addWidget(buttons);
}

QString VolumeInfoDialog::ClipboardText(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines) {
        const QString whole = QString::fromStdString(line);
        const qsizetype tab = whole.indexOf('\t');
        if (tab < 0) {
            text += whole;
        } else {
            text += whole.left(tab).leftJustified(kClipboardColumn, ' ') + whole.mid(tab + 1);
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace kel::diag
