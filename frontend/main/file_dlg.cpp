#include "frontend/main/file_dlg.h"

#include <QFileDialog>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/drives/dos_path.h"
#include "platform/drives/path_translation.h"
#include "ui_file_dlg.h"

namespace kel::frontend {
namespace {

// The folder the typed text stands for: a drive path through the drive's
// folder, and a file's own folder. None when the drive has no folder.
std::optional<QString> StartFolder(const QString& typed, const drives::DriveTable& table) {
    const std::string text = typed.toStdString();
    if (!drives::hasDriveLetter(text)) {
        return typed;
    }
    const drives::Translation found = drives::translatePath(text, table);
    std::error_code ec;
    switch (found.status) {
        case drives::Lookup::Found:
            return QString::fromStdString(std::filesystem::is_directory(found.path, ec)
                                              ? found.path.string()
                                              : found.path.parent_path().string());
        case drives::Lookup::FileMissing:
            return QString::fromStdString(found.path.parent_path().string());
        default:
            return std::nullopt;
    }
}

}  // namespace

TFileDlg::TFileDlg(const drives::DriveTable& drives, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TFileDlg>()), drives_(drives) {
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
    if (const std::optional<QString> folder = StartFolder(ui_->BRfilename->text(), drives_)) {
        OD1.setDirectory(*folder);
    }
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
