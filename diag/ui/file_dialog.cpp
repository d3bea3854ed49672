#include "diag/ui/file_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

namespace kel::diag {

std::string FileDialogFilter(std::string_view list) {
    const QStringList parts =
        QString::fromUtf8(list.data(), qsizetype(list.size())).split(QChar(0), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << parts[i] + " (" + parts[i + 1] + ")";
    }
    return filters.join(";;").toStdString();
}

std::string RunFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(request.owner != nullptr ? request.owner : QApplication::activeWindow(),
                       QString::fromStdString(request.title),
                       QString::fromStdString(request.start));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace kel::diag
