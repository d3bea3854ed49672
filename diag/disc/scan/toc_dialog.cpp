#include "diag/disc/scan/toc_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <array>

#include "diag/disc/scan/toc_lines.h"

namespace kel::diag {
namespace {

// The columns' tab stops in dialog units: a quarter of the average
// character width each.
constexpr std::array<int, 4> kTabStops = {63, 115, 185, 245};
constexpr int kDialogUnitsPerCharacter = 4;
constexpr int kExtentMargin = 5;

// The stops in pixels for the list's font, ended by 0 as the font metrics
// want them.
std::array<int, kTabStops.size() + 1> pixelStops(const QFontMetrics& metrics) {
    std::array<int, kTabStops.size() + 1> stops{};
    for (std::size_t i = 0; i < kTabStops.size(); ++i) {
        stops[i] = kTabStops[i] * metrics.averageCharWidth() / kDialogUnitsPerCharacter;
    }
    return stops;
}

// Draws each line with the dialog's tab stops, so that the columns line up
// whatever the texts' lengths.
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
        QList<QTextOption::Tab> tabs;
        for (const int stop : pixelStops(item.fontMetrics)) {
            if (stop != 0) {
                tabs.append(QTextOption::Tab(stop, QTextOption::LeftTab));
            }
        }
        layout.setTabs(tabs);
        painter->save();
        painter->setPen(item.palette.color(
            item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRectF(item.rect), text, layout);
        painter->restore();
    }

    // The list's horizontal extent follows the longest tabbed line.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        auto stops = pixelStops(option.fontMetrics);
        const QRect bounds = option.fontMetrics.boundingRect(
            QRect(), Qt::TextExpandTabs, index.data().toString(), 0, stops.data());
        size.setWidth(bounds.width() + kExtentMargin);
        return size;
    }
};

}  // namespace

TocDialog::TocDialog(QWidget* parent) : QDialog(parent), lines_(TocLines()) {
    setObjectName("TABLEOFCONTENTS");
    setWindowTitle(tr("Table of Contents"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("list");
    list_->setItemDelegate(new TabStopDelegate(list_));
    for (const std::string& line : lines_) {
        list_->addItem(QString::fromStdString(line));
    }
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    QPushButton* help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    help->setObjectName("help");
    QPushButton* copy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName("copy");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpContext); });
    connect(copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(QString::fromStdString(TocClipboardText(lines_)));
    });
    layout->addWidget(buttons);
}

void TocDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(kHelpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kel::diag
