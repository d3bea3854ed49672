#include "diag/ui/copy/copy_command.h"

#include <QFileDialog>
#include <functional>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/ui/copy/copy_dialogs.h"
#include "diag/ui/copy/file_copy.h"
#include "diag/ui/file_dialog.h"
#include "diag/ui/messages.h"
#include "diag/ui/window/panes.h"

namespace kel::diag {
namespace {

std::string DefaultChooser(QWidget* owner, bool image) {
    if (image) {
        FileDialogRequest request;
        request.owner = owner;
        request.title = LoadResString(40036);
        request.defaultSuffix = "img";
        return RunFileDialog(request);
    }
    return QFileDialog::getExistingDirectory(owner, QString::fromStdString(LoadResString(10001)))
        .toStdString();
}

CopyTargetChooser& Chooser() {
    static CopyTargetChooser chooser = DefaultChooser;
    return chooser;
}

CopySettings CurrentSettings() {
    return {Options().acceptErrors != 0, Options().copyPrompt != 0};
}

// The busy flag and a quiet drive for the length of one copy: its read
// errors are the copy's to report.
class CopyOperation {
public:
    explicit CopyOperation(CdDevice& device) : device_(device), quiet_(device.quiet) {
        BusyFlag() = true;
        device_.quiet = 1;
    }
    ~CopyOperation() {
        device_.quiet = quiet_;
        EndOperation();
    }
    CopyOperation(const CopyOperation&) = delete;
    CopyOperation& operator=(const CopyOperation&) = delete;

private:
    CdDevice& device_;
    std::uint8_t quiet_;
};

// Runs one copy under the busy flag with the dialogs' questions and
// progress, then tells what it lost.
void RunCopy(QWidget* owner, CdDevice& device,
             const std::function<CopyOutcome(CopyQuestions&)>& copy) {
    CopyOutcome outcome;
    {
        const CopyOperation operation(device);
        DialogQuestions questions(owner, device);
        outcome = copy(questions);
    }
    ShowCopyOutcome(outcome);
}

void CopyInto(QWidget* owner, const std::vector<const FileNode*>& nodes) {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        ShowMessage(102);
        return;
    }
    const std::string folder = Chooser()(owner, false);
    if (folder.empty()) {
        return;
    }
    RunCopy(owner, *device, [&](CopyQuestions& questions) {
        return CopyNodes(*device, nodes, folder, CurrentSettings(), questions);
    });
}

}  // namespace

void SetCopyTargetChooser(CopyTargetChooser chooser) {
    Chooser() = chooser ? std::move(chooser) : DefaultChooser;
}

void CopyFileCommand(QWidget* owner, const Panes& panes) {
    std::vector<const FileNode*> nodes;
    for (const FileNode* node = panes.NextSelectedListNode(nullptr); node != nullptr;
         node = panes.NextSelectedListNode(node)) {
        nodes.push_back(node);
    }
    if (nodes.empty()) {
        ShowMessage(10007);
        return;
    }
    CopyInto(owner, nodes);
}

void CopyDirectoryCommand(QWidget* owner, const Panes& panes) {
    const FileNode* node = panes.SelectedTreeNode();
    if (node == nullptr) {
        ShowMessage(10007);
        return;
    }
    CopyInto(owner, {node});
}

void CopyTrackImageCommand(QWidget* owner, const Panes& panes) {
    const FileNode* node = panes.SelectedTreeNode();
    if (node == nullptr || node->track == nullptr) {
        ShowMessage(234);
        return;
    }
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        ShowMessage(102);
        return;
    }
    TrackImageDialog dialog(owner, *node->track);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::string image = Chooser()(owner, true);
    if (image.empty()) {
        return;
    }
    const ImageRange range = dialog.range();
    RunCopy(owner, *device, [&](CopyQuestions& questions) {
        return CopyBlocksToImage(*device, range, image, CurrentSettings(), questions);
    });
}

}  // namespace kel::diag
