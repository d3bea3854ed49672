#include "diag/ui/options/error_summary_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "diag/ui/file_dialog.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/options_store.h"

namespace kel::diag {
namespace {

// The whole text as a base-10 number.
std::optional<int> numberIn(const QLineEdit* box) {
    bool ok = false;
    const int value = box->text().trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

constexpr int kMaxThreshold = 999;

constexpr ControlHelp kControlHelp[] = {
    {"quickSamples", 110},
    {"moderateSamples", 111},
    {"resetStatistics", 113},
    {"errorFileReport", 104},
    {"ignoreRecovered", 107},
    {"errorLogFile", 117},
    {"browse", 118},
    {"recoverableThreshold", 119},
    {"unrecoverableThreshold", 120},
    {"thresholdsEnabled", 121},
};

}  // namespace

std::span<const ControlHelp> ErrorSummaryPage::controlHelp() const {
    return kControlHelp;
}

ErrorSummaryPage::ErrorSummaryPage(QWidget* parent, OptionsBlock& copy)
    : PreferencesPage(parent, copy) {
    setObjectName("errorSummaryPage");
    auto* form = new QFormLayout(this);
    quick_ = addNumberBox("quickSamples");
    form->addRow(tr("&Quick Error Summary samples"), quick_);
    moderate_ = addNumberBox("moderateSamples");
    form->addRow(tr("&Moderate Error Summary samples"), moderate_);
    thresholds_ = new QCheckBox(tr("Judge the disc by error &thresholds"), this);
    thresholds_->setObjectName("thresholdsEnabled");
    form->addRow(thresholds_);
    recoverable_ = addNumberBox("recoverableThreshold");
    form->addRow(tr("Recovered errors"), recoverable_);
    unrecoverable_ = addNumberBox("unrecoverableThreshold");
    form->addRow(tr("Unrecovered errors"), unrecoverable_);
    connect(thresholds_, &QCheckBox::toggled, this, [this](bool on) {
        recoverable_->setEnabled(on);
        unrecoverable_->setEnabled(on);
    });
    logFiles_ = new QCheckBox(tr("Log files with errors"), this);
    logFiles_->setObjectName("errorFileReport");
    form->addRow(logFiles_);
    ignoreRecovered_ = new QCheckBox(tr("Ignore recovered errors"), this);
    ignoreRecovered_->setObjectName("ignoreRecovered");
    form->addRow(ignoreRecovered_);
    logFile_ = new QLineEdit(this);
    logFile_->setObjectName("errorLogFile");
    logFile_->setMaxLength(static_cast<int>(kMaxPath));
    auto* browse = new QPushButton(tr("&Browse"), this);
    browse->setObjectName("browse");
    connect(browse, &QPushButton::clicked, this, &ErrorSummaryPage::browseLogFile);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(logFile_);
    fileRow->addWidget(browse);
    form->addRow(tr("Error log file"), fileRow);
    auto* reset = new QPushButton(tr("Reset Statistics"), this);
    reset->setObjectName("resetStatistics");
    connect(reset, &QPushButton::clicked, this, [this] {
        ResetErrorStatistics();
        ShowMessageTo(this, 168);
    });
    form->addRow(reset);
}

QLineEdit* ErrorSummaryPage::addNumberBox(const char* objectName) {
    auto* box = new QLineEdit(this);
    box->setObjectName(objectName);
    return box;
}

void ErrorSummaryPage::setActive() {
    quick_->setText(QString::number(copy_.quickSamples));
    moderate_->setText(QString::number(copy_.moderateSamples));
    recoverable_->setText(QString::number(copy_.recoverableThreshold));
    unrecoverable_->setText(QString::number(copy_.unrecoverableThreshold));
    thresholds_->setChecked(copy_.thresholdsEnabled != 0);
    recoverable_->setEnabled(copy_.thresholdsEnabled != 0);
    unrecoverable_->setEnabled(copy_.thresholdsEnabled != 0);
    logFiles_->setChecked(copy_.errorFileReport != 0);
    ignoreRecovered_->setChecked(copy_.ignoreRecovered != 0);
    logFile_->setText(QString::fromStdString(copy_.errorLogFile));
}

bool ErrorSummaryPage::refuse(QLineEdit* box, int messageId) {
    ShowMessageTo(this, static_cast<std::uint32_t>(messageId));
    box->setFocus();
    return false;
}

bool ErrorSummaryPage::killActive() {
    const std::optional<int> quick = numberIn(quick_);
    if (!quick || *quick <= 0) {
        return refuse(quick_, 142);
    }
    const std::optional<int> moderate = numberIn(moderate_);
    if (!moderate || *moderate < *quick) {
        return refuse(moderate_, 143);
    }
    const bool thresholds = thresholds_->isChecked();
    if (thresholds) {
        const std::optional<int> recoverable = numberIn(recoverable_);
        if (!recoverable || *recoverable < 0 || *recoverable > kMaxThreshold) {
            return refuse(recoverable_, 141);
        }
        const std::optional<int> unrecoverable = numberIn(unrecoverable_);
        if (!unrecoverable || *unrecoverable < 0 || *unrecoverable > kMaxThreshold) {
            return refuse(unrecoverable_, 141);
        }
        copy_.recoverableThreshold = *recoverable;
        copy_.unrecoverableThreshold = *unrecoverable;
    }
    copy_.quickSamples = *quick;
    copy_.moderateSamples = *moderate;
    copy_.thresholdsEnabled = thresholds ? 1 : 0;
    copy_.errorFileReport = logFiles_->isChecked() ? 1 : 0;
    copy_.ignoreRecovered = ignoreRecovered_->isChecked() ? 1 : 0;
    copy_.errorLogFile = logFile_->text().toStdString();
    return true;
}

void ErrorSummaryPage::browseLogFile() {
    copy_.errorLogFile = logFile_->text().toStdString();
    FileDialogRequest request;
    request.owner = this;
    request.title = LoadResString(1002);
    request.start = copy_.errorLogFile;
    request.filter = FileDialogFilter(LoadFilterString(2002));
    request.defaultSuffix = "TXT";
    const std::string chosen = RunFileDialog(request);
    if (!chosen.empty() && chosen.size() <= kMaxPath) {
        logFile_->setText(QString::fromStdString(chosen));
    }
}

}  // namespace kel::diag
