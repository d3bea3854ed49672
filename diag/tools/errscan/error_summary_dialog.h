// The "Error Summary" dialog: the user picks a quick, moderate or complete
// scan and starts it; the scan runs on its own thread while the dialog stays
// responsive (Stop asks it to end), and its end brings the verdict.
#pragma once

#include <QDialog>

#include "diag/tools/errscan/error_history.h"
#include "diag/tools/errscan/error_scan.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;

namespace kel::diag {

class ErrorSummaryDialog : public QDialog {
    Q_OBJECT

public:
    ErrorSummaryDialog(QWidget* owner, ScanState& state, ErrorHistory& history);
    ~ErrorSummaryDialog() override;

    bool scanRunning() const { return !idle_; }

    // Cancel while idle; Stop while a scan runs.
    void reject() override;

signals:
    // After the result is shown (tests wait for it).
    void scanFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartClick();
    void HelpClick();
    void ScanTypeChosen();
    void ScanEnded();
    int chosenMode() const;

    ScanState& state_;
    ErrorHistory& history_;
    QRadioButton* quick_ = nullptr;
    QRadioButton* moderate_ = nullptr;
    QRadioButton* complete_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* icon_ = nullptr;
    QLabel* result_ = nullptr;
    QThread* worker_ = nullptr;
    bool idle_ = true;
};

}  // namespace kel::diag
