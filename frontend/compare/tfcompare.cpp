#include "frontend/compare/tfcompare.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QThread>

#include "frontend/common/drive_ready.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/common/version_text.h"
#include "frontend/compare/results_print.h"
#include "frontend/compare/rtf_writer.h"
#include "frontend/compare/time_texts.h"
#include "platform/base/paths.h"
#include "server/request_codes.h"
#include "ui_tfcompare.h"

namespace kel::compare {
namespace {

using frontend::KelCdData;
namespace fe = frontend;

constexpr int kMessageHeight = 197;
constexpr int kPollMs = 100;
constexpr int kProgressDrawMs = 40;
constexpr std::uint32_t kEjectCommand = kDriveEject & 0xFF;
constexpr std::uint32_t kLoadCommand = kDriveClose & 0xFF;
constexpr const char* kResultsFont = "Times New Roman";
constexpr int kResultsPointSize = 10;

QString trimmedText(const std::string& text) {
    return QString::fromStdString(text).trimmed();
}

// "%3s %s %s %d" of a drive record.
QString driveLine(const fe::CdDriveRecord& record) {
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::fromStdString(record.LetterText.str()), 3)
        .arg(trimmedText(record.Vendor.str()), trimmedText(record.Product.str()))
        .arg(record.InquiryValue3);
}

}  // namespace

TFcompareOptions DefaultCompareOptions() {
    TFcompareOptions options;
    options.IniPath = paths::besideProgram("KEL.INI");
    options.AskYesNo = [](const QString& question) {
        return QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), question,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    options.Tell = [](const QString& message) {
        QMessageBox::information(nullptr, QApplication::applicationDisplayName(), message);
    };
    options.ChooseSaveFile = [](QWidget& parent, const QString& folder, const QString& name) {
        QFileDialog Savelog(&parent);
        Savelog.setAcceptMode(QFileDialog::AcceptSave);
        Savelog.setDefaultSuffix(QStringLiteral("rtf"));
        Savelog.setNameFilter(QStringLiteral("Rich Text Format (*.rtf)"));
        Savelog.setDirectory(folder);
        Savelog.selectFile(name);
        if (Savelog.exec() != QDialog::Accepted || Savelog.selectedFiles().isEmpty()) {
            return QString();
        }
        return Savelog.selectedFiles().front();
    };
    options.ChoosePrinter = [](QPrinter& printer, QWidget& parent) {
        QPrintDialog dialog(&printer, &parent);
        return dialog.exec() == QDialog::Accepted;
    };
    return options;
}

TFcompare::TFcompare(fe::DriveServerClient& client, fe::Ticons& icons, TFcompareOptions options,
                     QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::TFcompare>()),
      client_(client),
      icons_(icons),
      options_(std::move(options)),
      ini_(options_.IniPath) {
    ui->setupUi(this);
    ui->StatusBar1->addWidget(&statusText_, 1);
    ui->StatusBar1->addWidget(&statusCount_, 1);
    statusText_.setAlignment(Qt::AlignCenter);
    statusText_.setText(QStringLiteral("Kelvane CD-Rom Disc Compare"));

    // FormCreate: a missing file is created with the defaults.
    settings_.DriveCount = 1;
    bool existed = std::filesystem::exists(ini_.path());
    getini(ini_, settings_);
    if (!existed) {
        saveini(ini_, settings_);
    }
    ui->HintsOff1->setChecked(settings_.ShowHints);
    ui->IgnoreSync1->setChecked(settings_.IgnoreSync);

    // The pop-up menus belong to the form so that their actions are found
    // among its children, like those of the designed menus.
    for (QMenu* menu : {&pm_s, &pm_1, &EditMenu1}) {
        menu->setParent(this, menu->windowFlags());
    }
    pm_s.addAction(QStringLiteral("open drive"), this, &TFcompare::open_sClick)
        ->setObjectName(QStringLiteral("open_s"));
    pm_s.addAction(QStringLiteral("close drive"), this, &TFcompare::close_sClick)
        ->setObjectName(QStringLiteral("close_s"));
    pm_1.addAction(QStringLiteral("open drive"), this, &TFcompare::opendrive1Click)
        ->setObjectName(QStringLiteral("opendrive1"));
    pm_1.addAction(QStringLiteral("close drive"), this, &TFcompare::closedrive1Click)
        ->setObjectName(QStringLiteral("closedrive1"));
    EditMenu1.addAction(QStringLiteral("Normal"), this, &TFcompare::Normal1Click);
    EditMenu1.addAction(QStringLiteral("Bold"), this, &TFcompare::SBFontBoldClick);
    EditMenu1.addAction(QStringLiteral("Italic"), this, &TFcompare::SBFontItalicsClick);
    connect(ui->DR_c0, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pm_s.popup(ui->DR_c0->mapToGlobal(at)); });
    connect(ui->DR_c1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pm_1.popup(ui->DR_c1->mapToGlobal(at)); });
    connect(ui->Message1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { EditMenu1.popup(ui->Message1->mapToGlobal(at)); });

    connect(ui->comparecd, &QPushButton::clicked, this, &TFcompare::_comparecds);
    connect(ui->CompareDiscs1, &QAction::triggered, this, &TFcompare::_comparecds);
    connect(ui->StopButton, &QToolButton::clicked, this, &TFcompare::StopButtonClick);
    connect(ui->SaveButton, &QToolButton::clicked, this, &TFcompare::SaveButtonClick);
    connect(ui->SaveCompareResults1, &QAction::triggered, this, &TFcompare::SaveButtonClick);
    connect(ui->PrintButton, &QToolButton::clicked, this, &TFcompare::PrintTestResults1Click);
    connect(ui->PrintTestResults1, &QAction::triggered, this, &TFcompare::PrintTestResults1Click);
    connect(ui->HintsOff1, &QAction::triggered, this, &TFcompare::HintsOff1Click);
    connect(ui->IgnoreSync1, &QAction::triggered, this, &TFcompare::IgnoreSync1Click);
    connect(ui->DR_c0, &QComboBox::activated, this, &TFcompare::DR_c0Change);
    connect(ui->DR_c1, &QComboBox::activated, this, &TFcompare::DR_c1Change);

    Tmedia.setInterval(kPollMs);
    connect(&Tmedia, &QTimer::timeout, this, &TFcompare::TmediaTimer);
    progressDraw_.setSingleShot(true);
    progressDraw_.setInterval(kProgressDrawMs);
    connect(&progressDraw_, &QTimer::timeout, this, &TFcompare::DrawProgress);
    Tmedia.start();
    testkel16.setInterval(kPollMs);
    connect(&testkel16, &QTimer::timeout, this, &TFcompare::testkel16Timer);
    applyHints();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TFcompare::~TFcompare() {
    FormClose();
}

const QTextDocument& TFcompare::Results() const {
    return *ui->Message1->document();
}

void TFcompare::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TFcompare::FormActivate() {
    ui->Message1->resize(ui->Message1->width(), kMessageHeight);
    data_.AllocateBuffers();
    KelCdData.ServerReplyBuffer = data_.ReplyBuffer;
    KelCdData.DriveNumber = -1;
    testkel16.start();
}

void TFcompare::testkel16Timer() {
    if (KelCdData.ServerConnected) {
        testkel16.stop();
        StartApp();
    }
}

void TFcompare::StartApp() {
    fe::GetWindowsVersionText();
    client_._Send(kGroupSystem, kSubGet, kSystemDeviceList & 0xFF);
    ui->DR_c0->clear();
    ui->DR_c1->clear();
    cdroms_.clear();
    for (int k = 0; k <= KelCdData.LastDriveIndex && k < static_cast<int>(fe::kDriveRecords); ++k) {
        const fe::CdDriveRecord& record = KelCdData.DriveTable[static_cast<std::size_t>(k)];
        if (record.DeviceType == fe::kCdRomDeviceType) {
            cdroms_.push_back(record);
            ui->DR_c0->addItem(driveLine(record));
            ui->DR_c1->addItem(driveLine(record));
        }
    }
    data_.Sync = kStandardSync;
    if (cdroms_.empty()) {
        ui->DR_c1->hide();
        ui->g0->hide();
        ui->Message1->hide();
        options_.Tell(QStringLiteral("No CD-ROM drive was found."));
        return;
    }
    ChooseDrive(0, 0);
    if (settings_.DriveCount == 1 && cdroms_.size() >= 2) {
        ChooseDrive(1, 1);
        ui->comparecd->setEnabled(true);
        ui->Setmin->setEnabled(true);
        ui->setmax->setEnabled(true);
    } else {
        ui->DR_c1->hide();
        ui->g0->hide();
        ui->Message1->hide();
    }
}

void TFcompare::ChooseDrive(int side, int index) {
    if (index < 0 || index >= static_cast<int>(cdroms_.size())) {
        return;
    }
    QComboBox* list = side == 0 ? ui->DR_c0 : ui->DR_c1;
    list->setCurrentIndex(index);
    listTag_[static_cast<std::size_t>(side)] =
        cdroms_[static_cast<std::size_t>(index)].DeviceNumber;
    enable(side == 0 ? *ui->Icon0 : *ui->Icon1, listTag_[static_cast<std::size_t>(side)], side);
}

void TFcompare::enable(QLabel& image, int device, int side) {
    KelCdData.DriveNumber = static_cast<std::int16_t>(device);
    image.setPixmap(icons_.MakeDriveIcon(device));
    const fe::DiscClassification& disc = icons_.Disc();
    const bool known = disc.DiscClass <= 7;
    std::int32_t size = 0;
    if (known) {
        KelCdData.DriveNumber = static_cast<std::int16_t>(device);
        client_._Send(kGroupDisc, kSubGet, kDiscVolumeInfo & 0xFF);
        size = KelCdData.TocLeadOut;
    }
    settings_.Sides[static_cast<std::size_t>(side)].Size = size;
    const QString label = known ? QString::fromStdString(disc.VolumeLabel) : QString();
    if (side == 1) {
        ui->LabelCDV->setText(label);
    } else {
        ui->setmax->setText(QString::number(size));
        ui->Setmin->setText(QStringLiteral("0"));
        ui->LabelMDV->setText(label);
    }
    updatesizes(true);
}

void TFcompare::updatesizes(bool clear) {
    // The results of a run are the report the user may still save or print.
    if (resultsPresent_) {
        return;
    }
    if (clear) {
        ui->Message1->clear();
    }
    AppendLine(QStringLiteral("Master Size: %1").arg(settings_.Sides[0].Size), false, Qt::black);
    AppendLine(QStringLiteral("  Copy Size: %1").arg(settings_.Sides[1].Size), false, Qt::black);
}

void TFcompare::DR_c0Change(int index) {
    resultsPresent_ = false;
    ChooseDrive(0, index);
    Tmedia.start();
}

void TFcompare::DR_c1Change(int index) {
    resultsPresent_ = false;
    ChooseDrive(1, index);
    Tmedia.start();
}

void TFcompare::TmediaTimer() {
    if (cdroms_.empty() || Running()) {
        return;
    }
    auto poll = [this](int side, bool statusFirst) {
        QComboBox* list = side == 0 ? ui->DR_c0 : ui->DR_c1;
        int device = listTag_[static_cast<std::size_t>(side)];
        KelCdData.DriveNumber = static_cast<std::int16_t>(device);
        if (statusFirst) {
            client_._Send(kGroupDrive, kSubGet, kDriveDeviceStatus & 0xFF);
        }
        client_._Send(kGroupDrive, kSubGet, kDriveMediaChanged & 0xFF);
        if (KelCdData.MediaChanged) {
            list->setEnabled(false);
            list->repaint();
            enable(side == 0 ? *ui->Icon0 : *ui->Icon1, device, side);
            updatesizes(true);
            list->setEnabled(true);
        }
    };
    poll(0, false);
    if (ui->DR_c1->isVisible()) {
        poll(1, true);
    }
}

void TFcompare::open_sClick() {
    OpenDrive(0);
}
void TFcompare::opendrive1Click() {
    OpenDrive(1);
}
void TFcompare::close_sClick() {
    CloseDrive(0);
}
void TFcompare::closedrive1Click() {
    CloseDrive(1);
}

void TFcompare::OpenDrive(int side) {
    if (Running()) {
        return;
    }
    KelCdData.DriveNumber = static_cast<std::int16_t>(listTag_[static_cast<std::size_t>(side)]);
    client_._Send(kGroupDrive, kSubRun, kEjectCommand);
    QComboBox* list = side == 0 ? ui->DR_c0 : ui->DR_c1;
    QMenu& menu = side == 0 ? pm_s : pm_1;
    menu.popup(list->mapToGlobal(QPoint(list->width() / 2, list->height())));
}

void TFcompare::CloseDrive(int side) {
    if (Running()) {
        return;
    }
    const bool polling = Tmedia.isActive();
    Tmedia.stop();
    const int device = listTag_[static_cast<std::size_t>(side)];
    KelCdData.DriveNumber = static_cast<std::int16_t>(device);
    client_._Send(kGroupDrive, kSubRun, kLoadCommand);
    // A drive needs a while to spin up after loading: look at the disc once
    // it reports ready.
    fe::WaitUntilDriveReady(client_, device, options_.CloseDriveLimit);
    QLabel& image = side == 0 ? *ui->Icon0 : *ui->Icon1;
    image.setPixmap(icons_.MakeDriveIcon(device));
    const fe::DiscClassification& disc = icons_.Disc();
    const QString label =
        disc.DiscClass <= 7 ? QString::fromStdString(disc.VolumeLabel) : QString();
    (side == 0 ? ui->LabelMDV : ui->LabelCDV)->setText(label);
    QComboBox* list = side == 0 ? ui->DR_c0 : ui->DR_c1;
    list->setEnabled(false);
    list->repaint();
    list->setEnabled(true);
    if (polling) {
        Tmedia.start();
    }
}

bool TFcompare::checksize() {
    resultsPresent_ = false;
    ui->Message1->clear();
    paragraphAlign_ = Qt::AlignHCenter;
    AppendLine(QStringLiteral("Tested on: ") + DateText(QDate::currentDate()), false, Qt::black);
    int master = 0;
    while (master < kSideEntries && !settings_.Sides[static_cast<std::size_t>(master)].Master) {
        ++master;
    }
    const std::int32_t masterSize =
        master < kSideEntries ? settings_.Sides[static_cast<std::size_t>(master)].Size : 0;
    bool result = false;
    for (const SideEntry& entry : settings_.Sides) {
        if (!entry.Enable) {
            continue;
        }
        if (entry.Size != masterSize) {
            AppendLine(QStringLiteral("Size of discs are not the same!"), true, Qt::black);
            AppendLine(QStringLiteral("Will use smaller size"), true, Qt::black);
            if (entry.Size < ui->setmax->text().toLongLong()) {
                ui->setmax->setText(QString::number(entry.Size));
            }
            if (!options_.AskYesNo(QStringLiteral(
                    "Size of discs are not the same! Do you want to continue testing"))) {
                return false;
            }
        }
        result = true;
    }
    updatesizes(false);
    return result;
}

bool TFcompare::valuesetup() {
    bool startOk = false;
    bool endOk = false;
    const int start = ui->Setmin->text().trimmed().toInt(&startOk);
    const int end = ui->setmax->text().trimmed().toInt(&endOk);
    if (!startOk || !endOk) {
        const QString bad = startOk ? ui->setmax->text() : ui->Setmin->text();
        options_.Tell(QStringLiteral("'%1' is not a valid integer value").arg(bad));
        return false;
    }
    Tmedia.stop();
    SetRunControls(false);
    data_.StartLba = start;
    data_.EndLba = end;
    if (ui->g0->isEnabled()) {
        ui->g0->setRange(0, 100);
        ui->g0->setValue(0);
    }
    // A run that fails at its first block draws no progress: the count must
    // not be the previous run's.
    statusCount_.setText(QStringLiteral("0 sectors compared"));
    data_.IgnoreSync = ui->IgnoreSync1->isChecked();
    return true;
}

void TFcompare::SetRunControls(bool enabled) {
    // Focus leaving a control as it greys out would land in the report, where
    // typing during a run edits it: it goes to the button that takes over.
    if (!enabled) {
        ui->StopButton->setEnabled(true);
        ui->StopButton->setFocus();
    } else if (focusWidget() == ui->StopButton) {
        ui->comparecd->setEnabled(true);
        ui->comparecd->setFocus();
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui->DR_c0, ui->DR_c1, ui->comparecd, ui->Setmin,
                                         ui->setmax, ui->SaveButton, ui->PrintButton}) {
        control->setEnabled(enabled);
    }
    for (QAction* action : std::initializer_list<QAction*>{
             ui->CompareDiscs1, ui->SaveCompareResults1, ui->PrintTestResults1}) {
        action->setEnabled(enabled);
    }
    pm_s.setEnabled(enabled);
    pm_1.setEnabled(enabled);
    ui->StopButton->setEnabled(!enabled);
    applyHints();
}

void TFcompare::_comparecds() {
    if (Running() || cdroms_.size() < 2) {
        return;
    }
    if (listTag_[0] == listTag_[1]) {
        options_.Tell(QStringLiteral(
            "The master disc and the copy disc are in the same drive. Choose two drives."));
        return;
    }
    if (!checksize() || !valuesetup()) {
        return;
    }
    data_.CurrentLba = data_.StartLba;
    data_.StartTime = QDateTime::currentDateTime();
    data_.MasterDevice = static_cast<std::int16_t>(listTag_[0]);
    data_.CopyDevice = static_cast<std::int16_t>(listTag_[1]);
    resultsPresent_ = true;
    stuff_copyright();
    paragraphAlign_ = Qt::AlignLeft;
    AppendLine(QStringLiteral("Testing from %1 to %2").arg(data_.StartLba).arg(data_.EndLba), false,
               Qt::black);
    AppendLine(QStringLiteral("Start time:   ") + TimeText(data_.StartTime.time()), false,
               Qt::black);
    worker_ = new tcompare(client_, data_, *this, this);
    connect(worker_, &QThread::finished, this, &TFcompare::WorkerFinished);
    worker_->start();
}

void TFcompare::stuff_copyright() {
    // The size check's lines stay below the heading: they belong to the report.
    QTextDocument* document = ui->Message1->document();
    document->setDefaultFont(QFont(QString::fromLatin1(kResultsFont), kResultsPointSize));
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCharFormat heading;
    heading.setFontWeight(QFont::Bold);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    cursor.insertBlock(centred);
    cursor.insertBlock(centred);
    cursor.movePosition(QTextCursor::Start);
    cursor.setBlockFormat(centred);
    cursor.insertText(QStringLiteral("Kelvane CD-Rom Disc Compare V5.0"), heading);
    cursor.movePosition(QTextCursor::NextBlock);
    cursor.insertText(QStringLiteral("Disc compare test results"), heading);
}

void TFcompare::StopButtonClick() {
    if (worker_) {
        worker_->requestInterruption();
    }
}

void TFcompare::WorkerFinished() {
    if (worker_) {
        worker_->deleteLater();
        worker_ = nullptr;
    }
}

void TFcompare::SaveButtonClick() {
    const QString name = QString::number(DayNumber(QDate::currentDate()));
    const QString file =
        options_.ChooseSaveFile(*this, QString::fromStdString(paths::programDir().string()), name);
    if (!file.isEmpty() && !SaveResults(file)) {
        options_.Tell(QStringLiteral("Cannot write the results to %1").arg(file));
    }
}

bool TFcompare::SaveResults(const QString& file) {
    return SaveRtf(*ui->Message1->document(), std::filesystem::path(file.toStdString()));
}

void TFcompare::PrintTestResults1Click() {
    QPrinter printer;
    if (options_.ChoosePrinter(printer, *this)) {
        PrintResults(printer);
    }
}

void TFcompare::PrintResults(QPrinter& printer) {
    compare::PrintResults(*ui->Message1->document(), printer);
}

void TFcompare::HintsOff1Click() {
    settings_.ShowHints = ui->HintsOff1->isChecked();
    applyHints();
}

void TFcompare::IgnoreSync1Click() {
    settings_.IgnoreSync = ui->IgnoreSync1->isChecked();
}

void TFcompare::applyHints() {
    const bool show = settings_.ShowHints;
    auto hint = [show](QWidget* control, const char* text) {
        control->setToolTip(show ? QString::fromLatin1(text) : QString());
    };
    hint(ui->StopButton, ui->StopButton->isEnabled() ? "Click To Stop Comparison" : "");
    hint(ui->SaveButton, "Save Compare Results");
    hint(ui->PrintButton, "Print Compare Results");
    hint(ui->Message1, "Right Mouse click for editing attributes");
}

void TFcompare::Normal1Click() {
    QTextCharFormat format;
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    ui->Message1->textCursor().mergeCharFormat(format);
}

void TFcompare::SBFontBoldClick() {
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    ui->Message1->textCursor().mergeCharFormat(format);
}

void TFcompare::SBFontItalicsClick() {
    QTextCharFormat format;
    format.setFontItalic(true);
    ui->Message1->textCursor().mergeCharFormat(format);
}

void TFcompare::AppendLine(const QString& text, bool bold, const QColor& colour) {
    QTextDocument* document = ui->Message1->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat paragraph;
    paragraph.setAlignment(paragraphAlign_);
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setForeground(colour);
    if (document->isEmpty()) {
        cursor.setBlockFormat(paragraph);
        cursor.setBlockCharFormat(format);
    } else {
        cursor.insertBlock(paragraph, format);
    }
    cursor.insertText(text, format);
}

void TFcompare::AddResultLine(const ResultLine& line) {
    const bool error = line.style == LineStyle::BoldRed;
    AppendLine(QString::fromStdString(line.text), error, error ? Qt::red : Qt::black);
}

void TFcompare::AddResultLines(const std::vector<ResultLine>& lines) {
    // Laid out once for the step, not once a line: on a disc that differs
    // throughout, the box would otherwise take several times longer than the
    // compare itself.
    QTextCursor step(ui->Message1->document());
    step.beginEditBlock();
    for (const ResultLine& line : lines) {
        AddResultLine(line);
    }
    step.endEditBlock();
}

void TFcompare::StartSummary() {
    DrawProgress();
    paragraphAlign_ = Qt::AlignLeft;
}

// Progress comes up to fifty times a second. Drawing the bar and the status
// text that often would keep the main thread, which also takes the server's
// replies to the worker's requests, busier than it need be; the newest values
// are drawn a few dozen times a second instead, and at once when the run ends.
void TFcompare::ShowProgress(int position, std::int32_t sectorsDone) {
    pendingProgress_ = {position, sectorsDone};
    if (!progressDraw_.isActive()) {
        progressDraw_.start();
    }
}

void TFcompare::DrawProgress() {
    progressDraw_.stop();
    if (!pendingProgress_) {
        return;
    }
    const auto [position, sectorsDone] = *pendingProgress_;
    pendingProgress_.reset();
    ui->g0->setValue(position);
    statusCount_.setText(QStringLiteral("%1 sectors compared").arg(sectorsDone));
}

void TFcompare::RunFinished(bool restartPolling) {
    SetRunControls(true);
    if (restartPolling) {
        Tmedia.start();
    }
}

void TFcompare::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

void TFcompare::FormClose() {
    if (closing_) {
        return;
    }
    closing_ = true;
    Tmedia.stop();
    testkel16.stop();
    // The worker shows its last steps through this thread: keep serving
    // events until it has ended, never block on it.
    if (worker_) {
        worker_->requestInterruption();
        QPointer<tcompare> running = worker_;
        QEventLoop untilEnded;
        connect(running, &QThread::finished, &untilEnded, &QEventLoop::quit);
        if (!running->isFinished()) {
            untilEnded.exec(QEventLoop::ExcludeUserInputEvents);
        }
        if (running) {
            running->wait();
            delete running.data();
        }
    }
    settings_.DriveCount = 1;
    saveini(ini_, settings_);
    KelCdData.ServerReplyBuffer = {};
    data_.FreeBuffers();
    if (KelCdData.ServerConnected) {
        client_._Send(kGroupExit, 0, 0);
    }
}

}  // namespace kel::compare
