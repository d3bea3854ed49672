// The windows of the copy commands: the questions a copy asks, its
// progress with a Cancel button, the summary of what was lost, and the
// choice of a block range for an image.
#pragma once

#include <QDialog>
#include <memory>

#include "diag/device/cd_device.h"
#include "diag/disc/track_info.h"
#include "diag/ui/copy/copy_questions.h"
#include "diag/ui/copy/track_image.h"

class QCheckBox;
class QProgressDialog;
class QSpinBox;

namespace kel::diag {

// Asks through the program's messages and shows a progress window whose
// Cancel stops the copy (and the drive's retries) at the next block.
class DialogQuestions : public CopyQuestions {
public:
    DialogQuestions(QWidget* owner, CdDevice& device);
    ~DialogQuestions() override;

    bool overwrite(const std::filesystem::path& path) override;
    ReadErrorChoice readError(const std::string& what, std::int64_t block) override;
    bool progress(std::uint64_t done, std::uint64_t total) override;

private:
    CdDevice& device_;
    std::unique_ptr<QProgressDialog> progress_;
};

// Tells what a finished copy lost or could not copy; nothing when all went
// well.
void ShowCopyOutcome(const CopyOutcome& outcome);

// The block range and the sector form of an image of `track`, first the
// whole track in cooked form.
class TrackImageDialog : public QDialog {
    Q_OBJECT
public:
    TrackImageDialog(QWidget* owner, const TrackInfo& track);
    ImageRange range() const;

    QSpinBox* firstBox() const { return first_; }
    QSpinBox* countBox() const { return count_; }
    QCheckBox* rawBox() const { return raw_; }

private:
    bool audio_;
    QSpinBox* first_;
    QSpinBox* count_;
    QCheckBox* raw_;
};

}  // namespace kel::diag
