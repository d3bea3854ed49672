#include "frontend/main/tools_form.h"

#include <string>

#include "frontend/common/kel_cd_data.h"
#include "frontend/main/tools_enabling.h"
#include "platform/base/paths.h"
#include "ui_tools_form.h"

namespace kel::frontend {

TFtools::TFtools(Launchers launch, QWidget* parent)
    : QDialog(parent), launch_(std::move(launch)), ui_(std::make_unique<Ui::TFtools>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    connect(ui_->test1button, &QPushButton::clicked, this, &TFtools::test1buttonClick);
    connect(ui_->tocbutton, &QPushButton::clicked, this, &TFtools::tocbuttonClick);
    connect(ui_->comparebutton, &QPushButton::clicked, this, &TFtools::comparebuttonClick);
    connect(ui_->recoverbutton, &QPushButton::clicked, this, &TFtools::recoverbuttonClick);
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TFtools::~TFtools() = default;

void TFtools::Prepare(int discClass, int device, QPoint at) {
    discClass_ = discClass;
    device_ = device;
    at_ = at;
}

void TFtools::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TFtools::FormActivate() {
    programDirectory_ = QString::fromStdString(paths::programDir().string());
    move(at_);
    ToolButtons allowed = ToolButtonsFor(discClass_);
    // Without a server device there is nothing to hand the drive tools.
    if (device_ == kNoDevice) {
        allowed.TestDisc = allowed.TableOfContents = allowed.DiscTools = false;
    }
    ui_->test1button->setEnabled(allowed.TestDisc);
    ui_->tocbutton->setEnabled(allowed.TableOfContents);
    ui_->comparebutton->setEnabled(allowed.CompareDiscs);
    ui_->recoverbutton->setEnabled(allowed.DiscTools);
}

// The tools outside this system may be missing: a failed start shows nothing.
void TFtools::StartTool(const char* file, bool withDevice) {
    const std::string path = programDirectory_.toStdString() + "/" + file;
    launch_.ShellExec(path, withDevice ? std::to_string(device_) : std::string(), "");
}

void TFtools::test1buttonClick() {
    StartTool("KEL_TST1.EXE", true);
}
void TFtools::testpostgapbuttonClick() {
    StartTool("KEL_PG.EXE", true);
}
void TFtools::tocbuttonClick() {
    StartTool("KEL_TOC.EXE", true);
}
void TFtools::recoverbuttonClick() {
    StartTool("KEL_FIX.EXE", true);
}
void TFtools::comparebuttonClick() {
    StartTool("KEL_COMP.EXE", false);
}

}  // namespace kel::frontend
