#include "diag/ui/options/preferences_sheet.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

#include "diag/device/device_access.h"
#include "diag/device/registry_key.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/guides.h"
#include "diag/ui/help_file.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/device_list.h"
#include "diag/ui/options/device_settings_page.h"
#include "diag/ui/options/error_summary_page.h"
#include "diag/ui/options/options_page.h"
#include "diag/ui/options/options_store.h"

namespace kel::diag {
namespace {

// A threshold kept as text; anything that is not a number reads as 0.
std::int32_t storedThreshold(const RegistryKey& key, const char* name) {
    bool ok = false;
    const int value = QString::fromStdString(key.ReadString(name, "0")).trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

}  // namespace

PreferencesSheet::PreferencesSheet(QWidget* owner, OptionsBlock& copy) : QDialog(owner) {
    setObjectName("UserPreferences");
    // The caption and the three page titles in one text.
    QStringList titles = QString::fromStdString(LoadResString(194)).split(';');
    while (titles.size() < 4) {
        titles << QString();
    }
    setWindowTitle(titles[0]);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("pages");
    pages_ = {new OptionsPage(tabs_, copy), new ErrorSummaryPage(tabs_, copy),
              new DeviceSettingsPage(tabs_, copy)};
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        tabs_->addTab(pages_[i], titles[static_cast<qsizetype>(i) + 1]);
    }
    layout->addWidget(tabs_);
    // The controls explain themselves when the help file can be read; the
    // Help button says what is wrong with it when it can't.
    if (const HelpParse help = ReadProgramHelp(); help.document) {
        for (PreferencesPage* page : pages_) {
            AttachControlHelp(*page, page->controlHelp(), *help.document);
        }
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName("cancel");
    QPushButton* helpButton = buttons->addButton(QDialogButtonBox::Help);
    helpButton->setObjectName("help");
    connect(helpButton, &QPushButton::clicked, this, &PreferencesSheet::help);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesSheet::reject);
    connect(tabs_, &QTabWidget::currentChanged, this, &PreferencesSheet::pageChanged);
    pages_[0]->setActive();
}

void PreferencesSheet::pageChanged(int index) {
    if (index == shown_) {
        return;
    }
    if (!pages_[static_cast<std::size_t>(shown_)]->killActive()) {
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(shown_);
        return;
    }
    shown_ = index;
    pages_[static_cast<std::size_t>(shown_)]->setActive();
}

void PreferencesSheet::help() {
    OpenProgramHelp(pages_[static_cast<std::size_t>(shown_)]->helpContext());
}

void PreferencesSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_F1 || event->modifiers() != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    const PreferencesPage* page = pages_[static_cast<std::size_t>(shown_)];
    QWidget* control = focusWidget();
    const int topic = ControlHelpTopic(page->controlHelp(), control);
    if (topic == 0) {
        help();
        return;
    }
    const QRect area = control->rect();
    ShowPopupHelp(topic, control->mapToGlobal(QPoint(area.center().x(), area.bottom())));
}

void PreferencesSheet::accept() {
    if (!pages_[static_cast<std::size_t>(shown_)]->killActive()) {
        return;
    }
    for (PreferencesPage* page : pages_) {
        page->apply();
    }
    QDialog::accept();
}

void ApplyPreferences(const OptionsBlock& edited) {
    OptionsBlock& options = Options();
    options = edited;
    std::uint32_t guides = 0;
    for (std::size_t i = 0; i < options.guideFlags.size(); ++i) {
        guides |= options.guideFlags[i] != 0 ? 1u << i : 0u;
    }
    SetGuideFlags(guides);
    logSwitches().debugMode = options.debugMode != 0;

    RegistryKey key;
    OpenProgramKey(key);
    // The reset goes first: thresholds entered in the same OK are new ones
    // and stay.
    if (options.resetStatisticsRequest != 0) {
        ResetErrorStatistics();
        options.resetStatisticsRequest = 0;
    }
    if (options.thresholdsEnabled != 0) {
        key.WriteString("ErrorRecovered", std::to_string(options.recoverableThreshold));
        key.WriteString("ErrorUnrecovered", std::to_string(options.unrecoverableThreshold));
    }
    if (CdDevice* device = CurrentDevice()) {
        device->noReadErrorMessage = options.quietReads;
        device->SetDebugLevel(DeviceDebugLevel(options));
    }
    SaveOptions();
    if (SelectionHooks().repaintPanes) {
        SelectionHooks().repaintPanes();
    }
}

bool ShowPreferences(QWidget* owner) {
    OptionsBlock copy = Options();
    for (std::size_t i = 0; i < copy.guideFlags.size(); ++i) {
        copy.guideFlags[i] = (GuideFlags() >> i) & 1u;
    }
    {
        RegistryKey key;
        OpenProgramKey(key);
        copy.recoverableThreshold = storedThreshold(key, "ErrorRecovered");
        copy.unrecoverableThreshold = storedThreshold(key, "ErrorUnrecovered");
    }
    PreferencesSheet sheet(owner, copy);
    if (sheet.exec() != QDialog::Accepted) {
        return false;
    }
    ApplyPreferences(copy);
    return true;
}

}  // namespace kel::diag
