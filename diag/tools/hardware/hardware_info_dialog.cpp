#include "diag/tools/hardware/hardware_info_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QVBoxLayout>
#include <array>

#include "diag/tools/errscan/recovery_setting.h"
#include "diag/tools/hardware/hardware_info.h"
#include "diag/ui/list_clipboard.h"
#include "diag/ui/list_dialog.h"

namespace kel::diag {
namespace {

// The label column ends at the first stop; the second is for long labels.
constexpr std::array<int, 2> kTabStopUnits = {120, 150};
// The same stops as text columns for the clipboard (1-based characters).
constexpr std::array<int, 2> kTextColumns = {
    kTabStopUnits[0] / kDialogUnitsPerCharacter,
    (kTabStopUnits[1] + kDialogUnitsPerCharacter - 1) / kDialogUnitsPerCharacter};
constexpr int kTextIndent = 3;

// Lines are "label TAB value": the value starts at the list's tab stops.
class InfoLineDelegate : public QStyledItemDelegate {
public:
    explicit InfoLineDelegate(QObject* parent)
        : QStyledItemDelegate(parent),
          stops_(ListTabStops::At({kTabStopUnits.begin(), kTabStopUnits.end()})) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        painter->save();
        if (selected) {
            painter->fillRect(option.rect, option.palette.highlight());
        }
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
        layout.setWrapMode(QTextOption::NoWrap);
        stops_.applyTo(layout, option.fontMetrics);
        QRectF area(option.rect);
        area.setLeft(area.left() + kTextIndent);
        painter->drawText(area, index.data().toString(), layout);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {stops_.textWidth(option.fontMetrics, index.data().toString()) + 2 * kTextIndent,
                option.fontMetrics.height() + 2};
    }

private:
    ListTabStops stops_;
};

}  // namespace

HardwareInfoDialog::HardwareInfoDialog(QWidget* parent, std::vector<std::string> lines)
    : QDialog(parent), lines_(std::move(lines)) {
    setObjectName("HARDWAREINFO");
    setWindowTitle(tr("CD-ROM Hardware Information"));
    auto* layout = new QVBoxLayout(this);
    list_ = NewLineList(this, lines_);
    list_->setItemDelegate(new InfoLineDelegate(list_));
    layout->addWidget(list_);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    auto* copy = new QPushButton(tr("&Copy"), this);
    copy->setObjectName("copy");
    auto* help = new QPushButton(tr("&Help"), this);
    help->setObjectName("help");
    buttons->addStretch();
    for (QPushButton* button : {ok, copy, help}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    ok->setDefault(true);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(copy, &QPushButton::clicked, this, &HardwareInfoDialog::CopyClick);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpContext); });
}

void HardwareInfoDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(kHelpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

void HardwareInfoDialog::CopyClick() {
    CopyListToClipboard(lines_, kTextColumns, 0);
}

void ShowHardwareInfo(QWidget* owner, CdDevice& device,
                      const std::function<void(HardwareInfoDialog&)>& configure) {
    HardwareInfoDialog dialog(owner, FillHardwareInfo(device, RecoveryReasonCode()));
    if (configure) {
        configure(dialog);
    }
    dialog.exec();
}

}  // namespace kel::diag
