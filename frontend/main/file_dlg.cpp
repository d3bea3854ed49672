#include "frontend/main/file_dlg.h"

#include <QFileDialog>
#include <QFileInfo>

#include "ui_file_dlg.h"

namespace kel::frontend {

TFileDlg::TFileDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TFileDlg>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui_->OKBtn->setDefault(true);
    connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->HelpBtn, &QPushButton::clicked, this, &TFileDlg::HelpBtnClick);
}

TFileDlg::~TFileDlg() = default;

bool TFileDlg::RunProgramPrompt(QString& name) {
    ui_->BRfilename->setText(name);
    const bool confirmed = exec() == QDialog::Accepted;
    name = ui_->BRfilename->text();
    return confirmed;
}

void TFileDlg::HelpBtnClick() {
    QFileDialog OD1(this);
    OD1.setNameFilters(
        {QStringLiteral("program files (*.exe *.com)"), QStringLiteral("all files (*.*)")});
    OD1.setDirectory(ui_->BRfilename->text());
    OD1.setFileMode(QFileDialog::ExistingFile);
    if (OD1.exec() != QDialog::Accepted || OD1.selectedFiles().isEmpty()) {
        return;
    }
    const QString chosen = OD1.selectedFiles().constFirst();
    if (!chosen.isEmpty()) {
        ui_->BRfilename->setText(chosen);
    }
}

}  // namespace kel::frontend
