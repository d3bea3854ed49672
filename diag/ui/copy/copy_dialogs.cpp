#include "diag/ui/copy/copy_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QProgressDialog>
#include <QSpinBox>
#include <algorithm>
#include <limits>

#include "diag/state/program_flags.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr int kProgressSteps = 1000;
// Lines of lost blocks and problems that one message holds.
constexpr std::size_t kListedLines = 8;

std::string ListedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < std::min(lines.size(), kListedLines); ++i) {
        text += lines[i] + "\n";
    }
    if (lines.size() > kListedLines) {
        text += "... and " + std::to_string(lines.size() - kListedLines) + " more\n";
    }
    return text;
}

}  // namespace

DialogQuestions::DialogQuestions(QWidget* owner, CdDevice& device) : device_(device) {
    device_.cancelled = 0;
    if (QApplication::instance() == nullptr) {
        return;
    }
    progress_ = std::make_unique<QProgressDialog>(QString::fromStdString(LoadResString(10004)),
                                                  QObject::tr("Cancel"), 0, kProgressSteps, owner);
    progress_->setObjectName("copyProgress");
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    QObject::connect(progress_.get(), &QProgressDialog::canceled, progress_.get(),
                     [this] { device_.SetCancel(); });
}

DialogQuestions::~DialogQuestions() = default;

bool DialogQuestions::overwrite(const std::filesystem::path& path) {
    return ShowMessage(MessageArg(10002, style::kYesNo | style::kSecondDefault), path.string()) ==
           answer::kYes;
}

ReadErrorChoice DialogQuestions::readError(const std::string& what, std::int64_t block) {
    switch (ShowMessage(MessageArg(10003, style::kYesNoCancel), block, what)) {
        case answer::kYes:
            return ReadErrorChoice::Retry;
        case answer::kNo:
            return ReadErrorChoice::Skip;
        default:
            return ReadErrorChoice::Stop;
    }
}

bool DialogQuestions::progress(std::uint64_t done, std::uint64_t total) {
    if (progress_) {
        const std::uint64_t step = total == 0 ? kProgressSteps : done * kProgressSteps / total;
        progress_->setValue(static_cast<int>(std::min<std::uint64_t>(step, kProgressSteps - 1)));
        QCoreApplication::processEvents();
    }
    // A close of the window stops a copy as it stops every reading loop.
    return device_.cancelled == 0 && !CloseRequested();
}

void ShowCopyOutcome(const CopyOutcome& outcome) {
    if (!outcome.lost.empty()) {
        std::vector<std::string> lines;
        for (const LostBlock& lost : outcome.lost) {
            lines.push_back(lost.what + ": block " + std::to_string(lost.block));
        }
        ShowMessage(10005, outcome.lost.size(), ListedLines(lines));
    }
    if (!outcome.problems.empty()) {
        ShowMessage(10006, outcome.problems.size(), ListedLines(outcome.problems));
    }
}

TrackImageDialog::TrackImageDialog(QWidget* owner, const TrackInfo& track)
    : QDialog(owner), audio_(!IsDataTrack(track)) {
    setObjectName("trackImage");
    setWindowTitle(QString::fromStdString(LoadResString(40036)));
    auto* form = new QFormLayout(this);
    first_ = new QSpinBox(this);
    first_->setObjectName("first");
    first_->setRange(0, std::numeric_limits<int>::max());
    first_->setValue(std::max(track.start, 0));
    count_ = new QSpinBox(this);
    count_->setObjectName("count");
    count_->setRange(1, std::numeric_limits<int>::max());
    count_->setValue(std::max(track.end - track.start, 1));
    raw_ = new QCheckBox(tr("Raw sectors (2,352 bytes a block)"), this);
    raw_->setObjectName("raw");
    // An audio track has no 2,048-byte form.
    raw_->setChecked(audio_);
    raw_->setEnabled(!audio_);
    form->addRow(tr("First block:"), first_);
    form->addRow(tr("Blocks:"), count_);
    form->addRow(raw_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

ImageRange TrackImageDialog::range() const {
    return {first_->value(), count_->value(), raw_->isChecked(), audio_};
}

}  // namespace kel::diag
