// The "ANALYSIS" dialog: runs the disc analysis once and lists its findings,
// one line each. Selecting a line asks for the help pop-up that explains
// it; the whole list can be copied to the clipboard. Opened modally by the
// main window, on its thread, with the busy flag set.
#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>
#include "diag/ui/help_contexts.h"

class QListWidget;

namespace kel::diag {

class AnalysisDialog : public QDialog {
    Q_OBJECT
public:
    explicit AnalysisDialog(QWidget* parent = nullptr);

    // The dialog's own help topic.
    static constexpr int kHelpContext = help_context::kAnalysis;

signals:
    // The Help button or F1: the program's help at `context`.
    void helpRequested(int context);
    // A line was selected: the pop-up topic `context` (the line's message
    // number) at `at`, the middle of the line's bottom edge on the screen.
    void popupHelpRequested(int context, QPoint at);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void lineSelected();

    std::vector<std::string> lines_;
    QListWidget* list_ = nullptr;
};

// Message 170 for a track list without tracks; otherwise the dialog.
// `configure` (when given) connects the dialog's help signals first.
void ShowAnalysisDialog(QWidget* owner, const std::function<void(AnalysisDialog&)>& configure = {});

}  // namespace kel::diag
