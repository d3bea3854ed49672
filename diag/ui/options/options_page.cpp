#include "diag/ui/options/options_page.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "diag/device/registry_key.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/options_store.h"

namespace kel::diag {
namespace {

struct BoxEntry {
    const char* objectName;
    const char* text;
    std::uint8_t OptionsBlock::*field;
};

constexpr BoxEntry kBoxes[] = {
    {"removeVersion", "&Remove version marker from files", &OptionsBlock::removeVersion},
    {"ignoreJoliet", "Ignore &Joliet or UDF filesystem (Display ISO-9660)",
     &OptionsBlock::ignoreJoliet},
    {"fileDetail", "Show analysis file details", &OptionsBlock::fileDetail},
    {"savePosition", "Save window position", &OptionsBlock::savePosition},
    {"sortInitial", "Sort initial display by name ", &OptionsBlock::sortInitial},
    {"acceptErrors", "Accept read errors during copy", &OptionsBlock::acceptErrors},
    {"copyPrompt", "&Always prompt for filename on copy", &OptionsBlock::copyPrompt},
    {"intensiveUdfScan", "Force intensive UDF scan", &OptionsBlock::intensiveUdfScan},
    {"keepUdfDuplicates", "&Keep duplicate files from UDF scan", &OptionsBlock::keepUdfDuplicates},
    {"autoStart", "Automatically scan CD at startup", &OptionsBlock::autoStart},
    {"showAll", "Show all files, no matter what", &OptionsBlock::showAll},
};

constexpr ControlHelp kControlHelp[] = {
    {"removeVersion", 101}, {"ignoreJoliet", 102},     {"fileDetail", 103},
    {"savePosition", 105},  {"sortInitial", 106},      {"acceptErrors", 108},
    {"copyPrompt", 109},    {"intensiveUdfScan", 122}, {"keepUdfDuplicates", 123},
    {"resetGuides", 125},   {"autoStart", 127},        {"showAll", 128},
};

}  // namespace

std::span<const ControlHelp> OptionsPage::controlHelp() const {
    return kControlHelp;
}

OptionsPage::OptionsPage(QWidget* parent, OptionsBlock& copy) : PreferencesPage(parent, copy) {
    setObjectName("optionsPage");
    auto* layout = new QVBoxLayout(this);
    for (const BoxEntry& entry : kBoxes) {
        auto* box = new QCheckBox(tr(entry.text), this);
        box->setObjectName(entry.objectName);
        layout->addWidget(box);
        boxes_.push_back({box, entry.field});
        if (entry.field == &OptionsBlock::acceptErrors) {
            acceptErrors_ = box;
        }
    }
    connect(acceptErrors_, &QCheckBox::toggled, this, &OptionsPage::acceptErrorsToggled);

    auto* resetGuidesButton = new QPushButton(tr("Reset &Guides"), this);
    resetGuidesButton->setObjectName("resetGuides");
    layout->addWidget(resetGuidesButton, 0, Qt::AlignLeft);
    connect(resetGuidesButton, &QPushButton::clicked, this, &OptionsPage::resetGuides);

    notice_ = new QLabel(this);
    notice_->setObjectName("notice");
    layout->addWidget(notice_);

    // The tracing switch has no visible button: only its mnemonic reaches it.
    auto* tracing = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_D), this);
    tracing->setObjectName("tracingShortcut");
    connect(tracing, &QShortcut::activated, this, &OptionsPage::toggleTracing);
}

void OptionsPage::setActive() {
    for (const FlagBox& flag : boxes_) {
        const QSignalBlocker quiet(flag.box);
        flag.box->setChecked(copy_.*flag.field != 0);
    }
}

bool OptionsPage::killActive() {
    for (const FlagBox& flag : boxes_) {
        copy_.*flag.field = flag.box->checkState() == Qt::Checked ? 1 : 0;
    }
    return true;
}

void OptionsPage::acceptErrorsToggled(bool on) {
    if (on && copy_.acceptErrors == 0) {
        ShowMessageTo(this, 224);
    }
}

void OptionsPage::resetGuides() {
    copy_.guideFlags.fill(1);
    notice_->setText(QString::fromStdString(LoadResString(236)));
}

void OptionsPage::toggleTracing() {
    copy_.debugMode = copy_.debugMode != 0 ? 0 : 1;
    if (copy_.debugMode != 0) {
        notice_->setText(QString::fromStdString(LoadResString(151)));
        // A fresh trace starts without the old summaries.
        RegistryKey key;
        if (OpenProgramKey(key)) {
            key.Delete("\\ErrorSum");
        }
    } else {
        notice_->setText(QString::fromStdString(LoadResString(152)));
    }
}

}  // namespace kel::diag
