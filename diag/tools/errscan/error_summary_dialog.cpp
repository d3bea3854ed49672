#include "diag/tools/errscan/error_summary_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

#include "diag/device/device_access.h"
#include "diag/state/options.h"
#include "diag/tools/errscan/error_summary.h"
#include "diag/tools/errscan/scan_result.h"
#include "diag/ui/help_contexts.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr int kHelpContext = help_context::kErrorSummary;
constexpr int kIconSize = 32;

}  // namespace

ErrorSummaryDialog::ErrorSummaryDialog(QWidget* owner, ScanState& state, ErrorHistory& history)
    : QDialog(owner), state_(state), history_(history) {
    setObjectName("errorSummary");
    setWindowTitle(tr("Error Summary"));
    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    auto* choices = new QVBoxLayout;
    quick_ = new QRadioButton(tr("&Quick scan"), this);
    quick_->setObjectName("quickScan");
    moderate_ = new QRadioButton(tr("&Moderate scan"), this);
    moderate_->setObjectName("moderateScan");
    complete_ = new QRadioButton(tr("&Complete scan"), this);
    complete_->setObjectName("completeScan");
    for (QRadioButton* choice : {quick_, moderate_, complete_}) {
        choices->addWidget(choice);
        connect(choice, &QRadioButton::toggled, this, &ErrorSummaryDialog::ScanTypeChosen);
    }
    body->addLayout(choices);
    auto* buttons = new QVBoxLayout;
    start_ = new QPushButton(tr("&Start"), this);
    start_->setObjectName("start");
    help_ = new QPushButton(tr("&Help"), this);
    help_->setObjectName("help");
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName("cancel");
    for (QPushButton* button : {start_, help_, cancel_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    body->addLayout(buttons);
    layout->addLayout(body);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setRange(0, 100);
    progress_->hide();
    layout->addWidget(progress_);
    auto* outcome = new QHBoxLayout;
    icon_ = new QLabel(this);
    icon_->setObjectName("icon");
    icon_->hide();
    result_ = new QLabel(this);
    result_->setObjectName("result");
    result_->hide();
    outcome->addWidget(icon_);
    outcome->addWidget(result_, 1);
    layout->addLayout(outcome);
    connect(start_, &QPushButton::clicked, this, &ErrorSummaryDialog::StartClick);
    connect(help_, &QPushButton::clicked, this, &ErrorSummaryDialog::HelpClick);
    connect(cancel_, &QPushButton::clicked, this, &ErrorSummaryDialog::reject);

    state_.progress = [this](int percent) {
        QMetaObject::invokeMethod(
            this,
            [this, percent] {
                progress_->show();
                progress_->setValue(percent);
            },
            Qt::QueuedConnection);
    };
    state_.ended = [this] {
        QMetaObject::invokeMethod(this, &ErrorSummaryDialog::ScanEnded, Qt::QueuedConnection);
    };
}

ErrorSummaryDialog::~ErrorSummaryDialog() {
    // The dialog cannot close while a scan runs; should it be destroyed
    // anyway, the worker must not outlive what it writes to.
    if (worker_ != nullptr) {
        if (CdDevice* device = CurrentDevice()) {
            device->SetCancel();
        }
        worker_->wait();
        delete worker_;
    }
    state_.progress = nullptr;
    state_.ended = nullptr;
    if (!idle_) {
        QApplication::restoreOverrideCursor();
    }
}

int ErrorSummaryDialog::chosenMode() const {
    if (quick_->isChecked()) {
        return ScanMode(Options().quickSamples, kQuickSectors);
    }
    if (moderate_->isChecked()) {
        return ScanMode(Options().moderateSamples, kModerateSectors);
    }
    return kCompleteScan;
}

void ErrorSummaryDialog::StartClick() {
    if (!idle_) {
        return;
    }
    std::fill(state_.readTimes.begin(), state_.readTimes.end(), 0u);
    if (!quick_->isChecked() && !moderate_->isChecked() && !complete_->isChecked()) {
        ShowMessageTo(this, 144);
        return;
    }
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return;
    }
    if (!device->TestUnitReady()) {
        ShowMessage(108, device->DeviceDescription());
        return;
    }
    result_->hide();
    icon_->hide();
    idle_ = false;
    const int mode = chosenMode();
    worker_ = QThread::create([this, mode] { ErrorScanThread(mode, state_); });
    worker_->start(QThread::TimeCriticalPriority);
    help_->setEnabled(false);
    cancel_->setText(tr("Stop"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void ErrorSummaryDialog::HelpClick() {
    OpenErrorSummaryHelp(kHelpContext);
}

void ErrorSummaryDialog::ScanTypeChosen() {
    result_->hide();
    icon_->hide();
}

void ErrorSummaryDialog::reject() {
    if (idle_) {
        QDialog::reject();
    } else if (CdDevice* device = CurrentDevice()) {
        device->SetCancel();
    }
}

void ErrorSummaryDialog::closeEvent(QCloseEvent* event) {
    if (idle_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

void ErrorSummaryDialog::ScanEnded() {
    if (worker_ != nullptr) {
        // The worker's notice was its last act: it has ended or is ending.
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
    }
    CdDevice* device = CurrentDevice();
    progress_->hide();
    QApplication::restoreOverrideCursor();
    ScanCounts counts;
    counts.samples = state_.samplesRead;
    counts.sectorsRead = state_.sectorsRead;
    counts.elapsedMs = state_.elapsedMs;
    if (device != nullptr) {
        counts.recovered = device->recoveredCount;
        counts.unreadable = std::int64_t{device->mediumErrorCount} + device->otherErrorCount;
        counts.stopped = device->cancelled != 0;
    }
    const ScanResult result = BuildScanResult(counts, history_, Options().thresholdsEnabled != 0);
    result_->setText(QString::fromStdString(result.text));
    result_->show();
    if (result.verdict != Verdict::Incomplete) {
        const QStyle::StandardPixmap which = result.verdict == Verdict::Good
                                                 ? QStyle::SP_DialogApplyButton
                                                 : QStyle::SP_MessageBoxCritical;
        icon_->setPixmap(style()->standardIcon(which).pixmap(kIconSize, kIconSize));
        icon_->show();
    }
    cancel_->setText(tr("Close"));
    help_->setEnabled(true);
    idle_ = true;
    if (device != nullptr) {
        device->cancelled = 0;
    }
    emit scanFinished();
}

}  // namespace kel::diag
