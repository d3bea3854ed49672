#include "diag/disc/scan/toc_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

#include "diag/disc/scan/toc_lines.h"
#include "diag/ui/list_dialog.h"

namespace kel::diag {

TocDialog::TocDialog(QWidget* parent) : QDialog(parent), lines_(TocLines()) {
    setObjectName("TABLEOFCONTENTS");
    setWindowTitle(tr("Table of Contents"));
    auto* layout = new QVBoxLayout(this);
    list_ = NewLineList(this, lines_);
    list_->setItemDelegate(new TabStopDelegate(ListTabStops::At({63, 115, 185, 245}), 0, list_));
    layout->addWidget(list_);
    layout->addWidget(NewListButtons(
        this, [this] { emit helpRequested(kHelpContext); },
        [this] {
            QApplication::clipboard()->setText(QString::fromStdString(TocClipboardText(lines_)));
        }));
}

void TocDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(kHelpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kel::diag
