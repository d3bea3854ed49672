#include "diag/disc/analysis/analysis_dialog.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <array>

#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/track_info.h"
#include "diag/ui/list_clipboard.h"
#include "diag/ui/list_dialog.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::array<int, 6> kTabStops = {20, 30, 40, 50, 60, 80};
constexpr int kLineHeight = 14;
constexpr int kTextIndent = 3;
constexpr int kRuleWidth = 3;
constexpr int kExtentMargin = 5;
constexpr int kFontPixels = 13;
constexpr int kIdRole = Qt::UserRole;

QFont lineFont(bool bold) {
    QFont font("Arial");
    font.setPixelSize(kFontPixels);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

// Lines are drawn as the list's owner lays them out: a fixed height, TABs at
// fixed pixel positions, the two line codes for bold text and rules.
class AnalysisLineDelegate : public QStyledItemDelegate {
public:
    explicit AnalysisLineDelegate(QObject* parent)
        : QStyledItemDelegate(parent),
          normal_(lineFont(false)),
          bold_(lineFont(true)),
          measureStops_(ListTabStops::At({kTabStops.begin(), kTabStops.end()})) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        painter->save();
        if (selected) {
            painter->fillRect(option.rect, option.palette.highlight());
        }
        const QString text = index.data().toString();
        const std::string utf8 = text.toStdString();
        if (IsRuleLine(utf8)) {
            const int y = option.rect.top() + option.rect.height() / 2;
            painter->setPen(QPen(option.palette.color(QPalette::WindowText), kRuleWidth));
            painter->drawLine(option.rect.left(), y, option.rect.right(), y);
            painter->restore();
            return;
        }
        const bool bold = IsBoldLine(utf8);
        painter->setFont(bold ? bold_ : normal_);
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        QTextOption layout(Qt::AlignLeft | Qt::AlignTop);
        layout.setWrapMode(QTextOption::NoWrap);
        QList<QTextOption::Tab> tabs;
        for (const int stop : kTabStops) {
            tabs.append(QTextOption::Tab(stop, QTextOption::LeftTab));
        }
        layout.setTabs(tabs);
        QRectF area(option.rect);
        area.setLeft(area.left() + kTextIndent);
        painter->drawText(area, bold ? text.mid(1) : text, layout);
        painter->restore();
    }

    // The width measurement takes the tab table as dialog units, so the
    // list scrolls a little further than the drawn text reaches.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        return {
            measureStops_.textWidth(QFontMetrics(normal_), index.data().toString()) + kExtentMargin,
            kLineHeight};
    }

private:
    QFont normal_;
    QFont bold_;
    ListTabStops measureStops_;
};

}  // namespace

AnalysisDialog::AnalysisDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("ANALYSIS");
    setWindowTitle(tr("Results of Analysis"));
    RunAnalysis();
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("list");
    list_->setItemDelegate(new AnalysisLineDelegate(list_));
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (const AnalysisLine& line : AnalysisLines()) {
        auto* item = new QListWidgetItem(QString::fromStdString(line.text), list_);
        item->setData(kIdRole, line.id);
        lines_.push_back(line.text);
    }
    connect(list_, &QListWidget::itemSelectionChanged, this, &AnalysisDialog::lineSelected);
    layout->addWidget(list_);

    auto* note = new QLabel(tr("Click on any line to see an explanation of it."), this);
    note->setObjectName("note");
    layout->addWidget(note);

    layout->addWidget(NewListButtons(
        this, [this] { emit helpRequested(kHelpContext); },
        [this] { CopyListToClipboard(lines_, kAnalysisTextColumns, 0); }));
    resize(560, 420);
}

void AnalysisDialog::lineSelected() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const int id = selected.front()->data(kIdRole).toInt();
    // A rule line explains nothing.
    if (id == 0) {
        return;
    }
    const QRect rect = list_->visualItemRect(selected.front());
    const QPoint bottomMiddle(rect.left() + rect.width() / 2, rect.bottom());
    emit popupHelpRequested(id, list_->viewport()->mapToGlobal(bottomMiddle));
}

void AnalysisDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(kHelpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

void ShowAnalysisDialog(QWidget* owner, const std::function<void(AnalysisDialog&)>& configure) {
    const TrackList& tracks = Tracks();
    if (tracks.first == nullptr || tracks.last == nullptr) {
        ShowMessage(170);
        return;
    }
    AnalysisDialog dialog(owner);
    if (configure) {
        configure(dialog);
    }
    dialog.exec();
}

}  // namespace kel::diag
