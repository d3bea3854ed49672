#include "diag/ui/list_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

namespace kel::diag {
namespace {

constexpr int kExtentMargin = 5;

}  // namespace

ListTabStops ListTabStops::At(std::vector<int> units) {
    ListTabStops stops;
    stops.units_ = std::move(units);
    return stops;
}

ListTabStops ListTabStops::Every(int units) {
    ListTabStops stops;
    stops.every_ = units;
    return stops;
}

std::vector<int> ListTabStops::pixels(const QFontMetrics& metrics) const {
    std::vector<int> pixels;
    for (const int units : units_) {
        // The font metrics read positions up to a 0, so a stop that a tiny
        // font puts at 0 is left out rather than ending the others.
        if (const int stop = units * metrics.averageCharWidth() / kDialogUnitsPerCharacter;
            stop != 0) {
            pixels.push_back(stop);
        }
    }
    return pixels;
}

void ListTabStops::applyTo(QTextOption& layout, const QFontMetrics& metrics) const {
    if (every_ != 0) {
        layout.setTabStopDistance(every_ * metrics.averageCharWidth() / kDialogUnitsPerCharacter);
        return;
    }
    QList<QTextOption::Tab> tabs;
    for (const int stop : pixels(metrics)) {
        tabs.append(QTextOption::Tab(stop, QTextOption::LeftTab));
    }
    layout.setTabs(tabs);
}

int ListTabStops::textWidth(const QFontMetrics& metrics, const QString& text) const {
    if (every_ != 0) {
        return metrics
            .boundingRect(QRect(), Qt::TextExpandTabs, text,
                          every_ * metrics.averageCharWidth() / kDialogUnitsPerCharacter)
            .width();
    }
    // The positions are read up to their end marker, a 0.
    std::vector<int> stops = pixels(metrics);
    stops.push_back(0);
    return metrics.boundingRect(QRect(), Qt::TextExpandTabs, text, 0, stops.data()).width();
}

TabStopDelegate::TabStopDelegate(ListTabStops stops, int indent, QObject* parent)
    : QStyledItemDelegate(parent), stops_(std::move(stops)), indent_(indent) {}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
    QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
    layout.setWrapMode(QTextOption::NoWrap);
    stops_.applyTo(layout, item.fontMetrics);
    painter->save();
    painter->setPen(item.palette.color(
        item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(QRectF(item.rect.adjusted(indent_, 0, 0, 0)), text, layout);
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(stops_.textWidth(option.fontMetrics, index.data().toString()) + kExtentMargin);
    return size;
}

QListWidget* NewLineList(QWidget* dialog, const std::vector<std::string>& lines) {
    auto* list = new QListWidget(dialog);
    list->setObjectName("list");
    for (const std::string& line : lines) {
        list->addItem(QString::fromStdString(line));
    }
    return list;
}

QDialogButtonBox* NewListButtons(QDialog* dialog, const std::function<void()>& help,
                                 const std::function<void()>& copy) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    if (help) {
        QPushButton* button = buttons->addButton(QObject::tr("&Help"), QDialogButtonBox::HelpRole);
        button->setObjectName("help");
        QObject::connect(button, &QPushButton::clicked, dialog, help);
    }
    QPushButton* button = buttons->addButton(QObject::tr("&Copy"), QDialogButtonBox::ActionRole);
    button->setObjectName("copy");
    QObject::connect(button, &QPushButton::clicked, dialog, copy);
    return buttons;
}

}  // namespace kel::diag
