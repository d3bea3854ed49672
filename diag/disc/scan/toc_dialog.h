// The "TABLEOFCONTENTS" dialog: the track list of the last scan, one line
// per track, with its copy to the clipboard. Opened modally by the main
// window, on its thread, while no scan runs.
#pragma once

#include <QDialog>
#include <string>
#include <vector>
#include "diag/ui/help_contexts.h"

class QListWidget;

namespace kel::diag {

class TocDialog : public QDialog {
    Q_OBJECT
public:
    explicit TocDialog(QWidget* parent = nullptr);

    const std::vector<std::string>& lines() const { return lines_; }

    // The dialog's help topic.
    static constexpr int kHelpContext = help_context::kTableOfContents;

signals:
    // The Help button or F1: the program's help at `context`.
    void helpRequested(int context);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::vector<std::string> lines_;
    QListWidget* list_ = nullptr;
};

}  // namespace kel::diag
