#include "diag/tools/exports/save_text_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>
#include <mutex>

#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

struct DialogSeam {
    std::mutex mutex;
    SaveTextDialog dialog;
};

DialogSeam& seam() {
    static DialogSeam s;
    return s;
}

// A filter list (texts ended by NUL: name, pattern, name, pattern) as the
// file dialog's filter.
std::string FileDialogFilter(const std::string& list) {
    const QStringList parts = QString::fromStdString(list).split(QChar(0), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << parts[i] + " (" + parts[i + 1] + ")";
    }
    return filters.join(";;").toStdString();
}

std::string RunFileDialog(const SaveTextRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

void SetSaveTextDialog(SaveTextDialog dialog) {
    std::lock_guard lock(seam().mutex);
    seam().dialog = std::move(dialog);
}

std::string AskSaveTextFileName(int titleId) {
    SaveTextDialog dialog;
    {
        std::lock_guard lock(seam().mutex);
        dialog = seam().dialog;
    }
    SaveTextRequest request;
    request.title = LoadResString(titleId);
    request.filter = FileDialogFilter(LoadFilterString(2002));
    request.defaultSuffix = "TXT";
    if (dialog) {
        return dialog(request);
    }
    return QApplication::instance() != nullptr ? RunFileDialog(request) : std::string();
}

}  // namespace kel::diag
