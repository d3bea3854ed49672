#include "diag/fs/treefile/tree_file_dialog.h"

#include "diag/ui/dialog_stand_in.h"
#include "diag/ui/file_dialog.h"
#include "diag/ui/messages.h"

namespace kel::diag {

namespace {

DialogStandIn<TreeFileDialog>& standIn() {
    static DialogStandIn<TreeFileDialog> s;
    return s;
}

}  // namespace

void SetTreeFileDialog(TreeFileDialog dialog) {
    standIn().set(std::move(dialog));
}

namespace tree_file {

TreeFileDialogRequest DialogRequest(bool save) {
    TreeFileDialogRequest request;
    request.save = save;
    if (save) {
        request.title = LoadResString(1003);
    }
    request.filter = FileDialogFilter(LoadFilterString(2004));
    request.defaultSuffix = "Morv";
    return request;
}

std::string AskTreeFileName(bool save) {
    const TreeFileDialog dialog = standIn().get();
    const TreeFileDialogRequest request = DialogRequest(save);
    return dialog ? dialog(request) : RunFileDialog(request);
}

}  // namespace tree_file

}  // namespace kel::diag
