// The "HARDWAREINFO" dialog ("CD-ROM Hardware Information"): the selected
// drive's hardware information list, which can be copied to the clipboard.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>
#include "diag/ui/help_contexts.h"

class QListWidget;

namespace kel::diag {

class CdDevice;

class HardwareInfoDialog : public QDialog {
    Q_OBJECT
public:
    HardwareInfoDialog(QWidget* parent, std::vector<std::string> lines);

    static constexpr int kHelpContext = help_context::kHardwareInfo;

    const std::vector<std::string>& lines() const { return lines_; }

signals:
    // The Help button or F1: the program's help at `context`.
    void helpRequested(int context);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CopyClick();

    std::vector<std::string> lines_;
    QListWidget* list_ = nullptr;
};

// Fills the list for `device` and runs the dialog modally. `configure` (when
// given) connects the dialog's help signal first.
void ShowHardwareInfo(QWidget* owner, CdDevice& device,
                      const std::function<void(HardwareInfoDialog&)>& configure = {});

}  // namespace kel::diag
