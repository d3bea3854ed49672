#include "diag/fs/volinfo/volume_info_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

#include "diag/ui/list_dialog.h"

namespace kel::diag {

namespace {

constexpr int kClipboardColumn = 28;

}  // namespace

VolumeInfoDialog::VolumeInfoDialog(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent), lines_(lines) {
    setObjectName("VOLUMEINFO");
    auto* layout = new QVBoxLayout(this);
    list_ = NewLineList(this, lines_);
    // One tab stop of 100 dialog units: the values line up in one column
    // whatever the label's length.
    list_->setItemDelegate(new TabStopDelegate(ListTabStops::Every(100), 2, list_));
    layout->addWidget(list_);
    layout->addWidget(NewListButtons(
        this, [this] { emit helpRequested(kHelpContext); },
        [this] { QApplication::clipboard()->setText(ClipboardText(lines_)); }));
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
