#include "diag/fs/treefile/tree_file_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>
#include <algorithm>
#include <mutex>

#include "diag/ui/messages.h"

namespace kel::diag {

namespace {

struct DialogSeam {
    std::mutex mutex;
    TreeFileDialog dialog;
};

DialogSeam& seam() {
    static DialogSeam s;
    return s;
}

// The string table's "Name!*.ext" pairs (NUL-separated once loaded) as file
// dialog filters.
QStringList Filters(const std::string& pairs) {
    QStringList filters;
    std::size_t at = 0;
    while (at < pairs.size()) {
        const std::size_t nameEnd = pairs.find('\0', at);
        if (nameEnd == std::string::npos || nameEnd == at) {
            break;
        }
        const std::size_t patternEnd = std::min(pairs.find('\0', nameEnd + 1), pairs.size());
        filters << QString::fromStdString(pairs.substr(at, nameEnd - at)) + " (" +
                       QString::fromStdString(pairs.substr(nameEnd + 1, patternEnd - nameEnd - 1)) +
                       ")";
        at = patternEnd + 1;
    }
    return filters;
}

std::string RunFileDialog(const TreeFileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Saving needs an existing folder; opening an existing file.
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

void SetTreeFileDialog(TreeFileDialog dialog) {
    std::lock_guard lock(seam().mutex);
    seam().dialog = std::move(dialog);
}

namespace tree_file {

TreeFileDialogRequest DialogRequest(bool save) {
    TreeFileDialogRequest request;
    request.save = save;
    if (save) {
        request.title = LoadResString(1003);
    }
    request.filter = Filters(LoadFilterString(2004)).join(";;").toStdString();
    request.defaultSuffix = "Morv";
    return request;
}

std::string AskTreeFileName(bool save) {
    TreeFileDialog dialog;
    {
        std::lock_guard lock(seam().mutex);
        dialog = seam().dialog;
    }
    const TreeFileDialogRequest request = DialogRequest(save);
    return dialog ? dialog(request) : RunFileDialog(request);
}

}  // namespace tree_file

}  // namespace kel::diag
