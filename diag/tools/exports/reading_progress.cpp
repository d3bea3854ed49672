#include "diag/tools/exports/reading_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "diag/device/device_access.h"
#include "diag/ui/message_context.h"
#include "diag/ui/messages.h"

namespace kel::diag {

class ReadingProgressDialog : public QDialog {
public:
    ReadingProgressDialog(std::int32_t first, std::int32_t end)
        : QDialog(CurrentMessageContext().owner) {
        setObjectName("readingProgress");
        setWindowTitle(QString::fromStdString(LoadResString(193)));
        auto* layout = new QVBoxLayout(this);
        // A busy bar stands for the animation: it moves without a known end.
        auto* animation = new QProgressBar(this);
        animation->setObjectName("animation");
        animation->setRange(0, 0);
        animation->setTextVisible(false);
        layout->addWidget(animation);
        progress_ = new QProgressBar(this);
        progress_->setObjectName("progress");
        progress_->setRange(first, std::max(first, end));
        layout->addWidget(progress_);
        auto* cancel = new QPushButton(tr("Cancel"), this);
        cancel->setObjectName("cancel");
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
        connect(cancel, &QPushButton::clicked, this, &ReadingProgressDialog::reject);
    }

    void setBlock(std::int32_t block) { progress_->setValue(block); }

    // Cancel and Escape ask the drive to stop; the export's loop ends at its
    // next block and closes the window itself.
    void reject() override {
        if (CdDevice* device = CurrentDevice()) {
            device->SetCancel();
        }
    }

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }

private:
    QProgressBar* progress_ = nullptr;
};

ReadingProgress::ReadingProgress(std::int32_t first, std::int32_t end) {
    if (QApplication::instance() == nullptr) {
        return;
    }
    dialog_ = std::make_unique<ReadingProgressDialog>(first, end);
    dialog_->show();
}

ReadingProgress::~ReadingProgress() = default;

void ReadingProgress::Advance(std::int32_t block) {
    if (dialog_ == nullptr) {
        return;
    }
    dialog_->setBlock(block);
    QApplication::processEvents();
}

}  // namespace kel::diag
