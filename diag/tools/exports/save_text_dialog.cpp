#include "diag/tools/exports/save_text_dialog.h"

#include <QApplication>

#include "diag/ui/dialog_stand_in.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

DialogStandIn<SaveTextDialog>& standIn() {
    static DialogStandIn<SaveTextDialog> s;
    return s;
}

}  // namespace

void SetSaveTextDialog(SaveTextDialog dialog) {
    standIn().set(std::move(dialog));
}

std::string AskSaveTextFileName(int titleId) {
    const SaveTextDialog dialog = standIn().get();
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
