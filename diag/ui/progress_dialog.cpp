#include "diag/ui/progress_dialog.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <atomic>

#include "diag/ui/main_thread.h"
#include "diag/ui/message_context.h"

namespace kel::diag {
namespace {

// The dialog lives on the main thread; workers only read the two markers and
// queue calls.
class ScanProgressDialog : public QDialog {
public:
    explicit ScanProgressDialog(QWidget* owner) : QDialog(owner) {
        setObjectName("scanProgress");
        setWindowTitle(tr("Scanning Disc..."));
        auto* layout = new QVBoxLayout(this);
        // A busy bar stands for the animation: it moves without a known end.
        animation_ = new QProgressBar(this);
        animation_->setObjectName("animation");
        animation_->setRange(0, 1);
        animation_->setTextVisible(false);
        layout->addWidget(animation_);
        auto* progress = new QProgressBar(this);
        progress->setObjectName("progress");
        progress->hide();
        layout->addWidget(progress);
        auto* cancel = new QPushButton(tr("Cancel"), this);
        cancel->setObjectName("cancel");
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
        connect(cancel, &QPushButton::clicked, this, &ScanProgressDialog::reject);
    }

    void startAnimation() { animation_->setRange(0, 0); }

    // Cancel and Escape ask the operation to stop; the dialog stays until
    // the operation's worker closes it.
    void reject() override;

    void closeByOwner() {
        closingByOwner_ = true;
        close();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (closingByOwner_) {
            event->accept();
        } else {
            event->ignore();
        }
    }

private:
    QProgressBar* animation_ = nullptr;
    bool closingByOwner_ = false;
};

struct State {
    QPointer<ScanProgressDialog> dialog;  // main thread only
    std::atomic<bool> exists{false};
    std::atomic<bool> shown{false};
    std::function<void()> cancelHandler;  // main thread only
};

State& state() {
    static State shared;
    return shared;
}

void ScanProgressDialog::reject() {
    if (state().cancelHandler) {
        state().cancelHandler();
    }
}

void destroyDialog() {
    State& s = state();
    if (s.dialog) {
        s.dialog->closeByOwner();
        delete s.dialog.data();
    }
    s.exists = false;
    s.shown = false;
}

}  // namespace

void SetProgressCancelHandler(std::function<void()> handler) {
    state().cancelHandler = std::move(handler);
}

void CreateProgressDialog() {
    if (!HaveApplication()) {
        return;
    }
    RunOnMainThread([] {
        destroyDialog();
        State& s = state();
        s.dialog = new ScanProgressDialog(CurrentMessageContext().owner);
        s.exists = true;
        return 0;
    });
}

void AdvanceProgress() {
    State& s = state();
    if (!s.exists || s.shown.exchange(true)) {
        return;
    }
    PostToMainThread([] {
        if (ScanProgressDialog* dialog = state().dialog) {
            dialog->show();
            dialog->startAnimation();
        }
    });
}

void CloseProgressDialog() {
    if (!state().exists) {
        return;
    }
    PostToMainThread(&destroyDialog);
}

bool ProgressDialogExists() {
    return state().exists;
}
bool ProgressDialogShown() {
    return state().exists && state().shown;
}

}  // namespace kel::diag
