#include "frontend/main/main_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <chrono>
#include <exception>
#include <fstream>
#include <vector>

#include "frontend/common/disc_classification.h"
#include "frontend/common/drive_ready.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/common/msf.h"
#include "frontend/common/version_text.h"
#include "frontend/main/autorun.h"
#include "frontend/main/file_dlg.h"
#include "frontend/main/player_form.h"
#include "frontend/main/tools_form.h"
#include "platform/base/log.h"
#include "platform/drives/path_translation.h"
#include "server/request_codes.h"
#include "ui_main_dialog.h"

namespace kel::frontend {
namespace {

constexpr int kLetters = 26;
constexpr int kLaunchSucceeded = 32;
constexpr int kToolsTopOffset = 154;
constexpr int kToolsLeftOffset = 332;
constexpr std::int64_t kMegabyte = 1024000;
constexpr std::int64_t kKilobyte = 1024;
constexpr std::chrono::milliseconds kLoadReadyLimit{5000};

const QColor kYellow(255, 255, 0);

// Stops the auto scan for the life of a handler and restores it from the
// menu's check mark however the handler ends; a handler called from another
// leaves the restoring to the outer one.
class ScanPause {
public:
    ScanPause(QTimer& timer, const QAction& autoScan, int& depth)
        : timer_(timer), autoScan_(autoScan), depth_(depth) {
        if (depth_++ == 0) {
            timer_.stop();
        }
    }
    ~ScanPause() {
        if (--depth_ == 0 && autoScan_.isChecked()) {
            timer_.start();
        }
    }
    ScanPause(const ScanPause&) = delete;
    ScanPause& operator=(const ScanPause&) = delete;

private:
    QTimer& timer_;
    const QAction& autoScan_;
    int& depth_;
};

// No colour: the ordinary face colour again.
void setPanelColour(QWidget& panel, const QColor* colour) {
    QPalette colours = QApplication::palette(&panel);
    if (colour) {
        colours.setColor(QPalette::Window, *colour);
    }
    panel.setPalette(colours);
}

QString mbText(std::int64_t bytes) {
    return QString::number(bytes / kMegabyte) + " Mb";
}

}  // namespace

TCDTolvarMainDialogBox::TCDTolvarMainDialogBox(MainDialogParts parts, QWidget* parent)
    : QWidget(parent),
      parts_(std::move(parts)),
      ui_(std::make_unique<Ui::TCDTolvarMainDialogBox>()),
      popupMenu_(this) {
    ui_->setupUi(this);
    setFixedSize(size());
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    for (int n = 1; n <= kLetters; ++n) {
        auto* tile = new DriveTile(n, ui_->DriveIconContents);
        tile->move((n - 1) * DriveTile::kWidth, 0);
        connect(tile, &DriveTile::Clicked, this, &TCDTolvarMainDialogBox::PanelDriveAClick);
        connect(tile, &DriveTile::DoubleClicked, this,
                &TCDTolvarMainDialogBox::PanelDriveADblClick);
        tiles_[static_cast<std::size_t>(n - 1)] = tile;
    }
    ui_->DriveIconScrollBox->horizontalScrollBar()->setSingleStep(DriveTile::kWidth);
    driveCaptions_.fill(QStringLiteral(" "));
    Bucket = parts_.Icons.MakeOtherIcon(kIconReading);
    CDunknown = parts_.Icons.CdImage(kClassNone);

    connect(ui_->RunButton, &QPushButton::clicked, this, &TCDTolvarMainDialogBox::RunButtonClick);
    connect(ui_->PlayButton, &QPushButton::clicked, this, &TCDTolvarMainDialogBox::PlayButtonClick);
    connect(ui_->SetupButton, &QPushButton::clicked, this,
            &TCDTolvarMainDialogBox::SetupButtonClick);
    connect(ui_->OpenLoadButton, &QPushButton::clicked, this,
            &TCDTolvarMainDialogBox::OpenLoadButtonClick);
    connect(ui_->ToolsButton, &QPushButton::clicked, this,
            &TCDTolvarMainDialogBox::ToolsButtonClick);
    connect(ui_->ScanButton, &QToolButton::clicked, this, &TCDTolvarMainDialogBox::ScanButtonClick);
    ui_->ScanButton->installEventFilter(this);
    ui_->LabelVersion->installEventFilter(this);

    autoScan_ = popupMenu_.addAction(QStringLiteral("Enable Auto Scan"));
    autoScan_->setObjectName(QStringLiteral("AutoScan"));
    autoScan_->setCheckable(true);
    connect(autoScan_, &QAction::triggered, this, &TCDTolvarMainDialogBox::AutoScanClick);
    for (QWidget* area :
         {static_cast<QWidget*>(ui_->DriveIconPanel), static_cast<QWidget*>(ui_->DriveInfo)}) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this,
                [this, area](const QPoint& at) { popupMenu_.popup(area->mapToGlobal(at)); });
    }

    testkel16.setInterval(100);
    connect(&testkel16, &QTimer::timeout, this, &TCDTolvarMainDialogBox::testkel16Timer);
    scanTimer_.setInterval(1000);
    connect(&scanTimer_, &QTimer::timeout, this, &TCDTolvarMainDialogBox::ScanTimerTimer);
    FormCreate();
}

TCDTolvarMainDialogBox::~TCDTolvarMainDialogBox() = default;

void TCDTolvarMainDialogBox::FormCreate() {
    setCursor(Qt::WaitCursor);
    KelCdData.ServerConnected = 0;
}

void TCDTolvarMainDialogBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormActivate();
}

void TCDTolvarMainDialogBox::FormActivate() {
    if (activated_) {
        return;
    }
    activated_ = true;
    replyBuffer_.assign(kSectorBufferCapacity, 0);
    KelCdData.ServerReplyBuffer = replyBuffer_;
    selected_ = -1;
    KelCdData.DriveNumber = -1;
    testkel16.start();
}

void TCDTolvarMainDialogBox::testkel16Timer() {
    if (!KelCdData.ServerConnected || started_) {
        return;
    }
    testkel16.stop();
    started_ = true;
    StartApp();
}

void TCDTolvarMainDialogBox::ServerNotFound(const QString& message) {
    testkel16.stop();
    if (splash_) {
        splash_->hide();
        splash_->deleteLater();
    }
    unsetCursor();
    QMessageBox::critical(this, windowTitle(), message);
    QCoreApplication::exit(1);
}

void TCDTolvarMainDialogBox::Send(std::uint16_t code) {
    parts_.Client._Send(code & 0xF000u, code & 0x0F00u, code & 0x00FFu);
}

bool TCDTolvarMainDialogBox::SendForSelected(std::uint16_t code) {
    if (selected_ < 0 || selected_ >= kLetters) {
        return false;
    }
    const std::uint8_t device = KelCdData.DriveLetterMap[static_cast<std::size_t>(selected_)];
    if (device == kNoDevice) {
        return false;
    }
    KelCdData.DriveNumber = device;
    Send(code);
    KelCdData.DriveNumber = static_cast<std::int16_t>(selected_);
    return true;
}

void TCDTolvarMainDialogBox::StartApp() {
    Send(kSystemDeviceList);
    const int records = std::min<int>(KelCdData.LastDriveIndex + 1, kDriveRecords);
    for (int i = 0; i < records; ++i) {
        const CdDriveRecord& record = KelCdData.DriveTable[static_cast<std::size_t>(i)];
        if (record.DeviceType == kCdRomDeviceType) {
            KelCdData.DriveNumber = record.DeviceNumber;
            Send(kDriveMediaChanged);
        }
    }
    KelCdData.DriveNumber = static_cast<std::int16_t>(selected_);
    ui_->LabelVersion->setText(QString::fromStdString(GetWindowsVersionText()));
    ui_->PlayButton->setEnabled(false);
    ui_->RunButton->setEnabled(false);
    ui_->SetupButton->setEnabled(false);
    ClearDriveCaptions();
    ScanAllDrives();
    ArrangeDrivePanels();
    if (splash_) {
        splash_->hide();
        splash_->deleteLater();
    }
    unsetCursor();
    emit StartedUp();
}

void TCDTolvarMainDialogBox::RestoreScanTimer() {
    if (autoScan_->isChecked()) {
        scanTimer_.start();
    } else {
        scanTimer_.stop();
    }
}

void TCDTolvarMainDialogBox::ScanAllDrives() {
    ui_->ScanButton->setText(QStringLiteral("Scanning"));
    ui_->ScanButton->repaint();
    for (int n = kLetters; n >= 1; --n) {
        SelectDrive(n);
        ShowDriveCaption();
    }
    ui_->ScanButton->setText(QStringLiteral("Scan"));
    RestoreScanTimer();
}

void TCDTolvarMainDialogBox::ArrangeDrivePanels() {
    int rank = 0;
    for (DriveTile* tile : tiles_) {
        if (!tile->isHidden()) {
            tile->move(rank * DriveTile::kWidth, 0);
            ++rank;
        }
    }
    ui_->DriveIconContents->resize(std::max(rank, 1) * DriveTile::kWidth, DriveTile::kHeight);
}

void TCDTolvarMainDialogBox::ClearDriveCaptions() {
    driveCaptions_.fill(QStringLiteral(" "));
}

void TCDTolvarMainDialogBox::ShowDriveCaption() {
    if (selected_ >= 0 && selected_ < kLetters) {
        tiles_[static_cast<std::size_t>(selected_)]->SetCaption(
            driveCaptions_[static_cast<std::size_t>(selected_)]);
    }
}

void TCDTolvarMainDialogBox::ClearDriveTile() {
    DriveTile* tile = tiles_[static_cast<std::size_t>(selected_)];
    tile->SetCaption(QStringLiteral(" "));
    tile->SetPicture(parts_.Icons.MakeOtherIcon(kIconCdDrive));
}

QString TCDTolvarMainDialogBox::Letter() const {
    return QString(QLatin1Char(static_cast<char>('A' + std::max(selected_, 0))));
}

bool TCDTolvarMainDialogBox::DoorOpen(int letterIndex) const {
    return letterIndex >= 0 && letterIndex < kLetters &&
           doorOpen_[static_cast<std::size_t>(letterIndex)];
}

DriveTile* TCDTolvarMainDialogBox::Tile(int letterNumber) const {
    if (letterNumber < 1 || letterNumber > kLetters) {
        return nullptr;
    }
    return tiles_[static_cast<std::size_t>(letterNumber - 1)];
}

void TCDTolvarMainDialogBox::ShowOpenLoadCaption() {
    ui_->OpenLoadButton->setText(DoorOpen(selected_) ? QStringLiteral("Close")
                                                     : QStringLiteral("Open"));
}

void TCDTolvarMainDialogBox::SaveScroll() {
    savedScroll_ = ui_->DriveIconScrollBox->horizontalScrollBar()->value();
}

void TCDTolvarMainDialogBox::RestoreScroll() {
    ui_->DriveIconScrollBox->horizontalScrollBar()->setValue(savedScroll_);
}

void TCDTolvarMainDialogBox::SetFunctionButtons(bool play, bool autoRun, bool setup, bool open) {
    ui_->PlayButton->setEnabled(play);
    ui_->RunButton->setEnabled(autoRun);
    ui_->SetupButton->setEnabled(setup);
    ui_->OpenLoadButton->setEnabled(open);
}

void TCDTolvarMainDialogBox::SelectDrive(int letterNumber) {
    if (letterNumber < 1 || letterNumber > kLetters) {
        return;
    }
    setCursor(Qt::WaitCursor);
    selected_ = letterNumber - 1;
    KelCdData.DriveNumber = static_cast<std::int16_t>(selected_);
    SaveScroll();
    for (DriveTile* tile : tiles_) {
        tile->SetSelected(tile->Tag() == letterNumber);
    }
    ShowOpenLoadCaption();
    ui_->DriveInfo->setTitle(QStringLiteral("Drive ") + Letter() + QLatin1Char(':'));
    Bucket = parts_.Icons.MakeOtherIcon(kIconReading);
    setPanelColour(*ui_->PanelDiscType, &kYellow);
    ui_->PanelDiscType->setText(QStringLiteral("<<< Loading CD. Please Wait.>>>"));
    ui_->PanelTracks->clear();
    ui_->PanelDiscSize->clear();
    ui_->PanelDiscLength->clear();
    ui_->PanelDiscVolumeID->clear();
    SetFunctionButtons(false, false, false, false);
    ui_->ToolsButton->setEnabled(false);
    repaint();

    try {
        const char letter = static_cast<char>('A' + selected_);
        const drives::DriveType type = parts_.Drives.type(letter);
        setPanelColour(*ui_->PanelDiscType, nullptr);
        auto& caption = driveCaptions_[static_cast<std::size_t>(selected_)];
        switch (type) {
            case drives::DriveType::Removable:
                if (letter >= 'C') {
                    ui_->PanelDiscType->setText(QStringLiteral("Removable Media"));
                    Bucket = parts_.Icons.MakeOtherIcon(kIconRemovable);
                } else {
                    ui_->PanelDiscType->setText(QStringLiteral("Floppy Disk"));
                    Bucket = parts_.Icons.MakeOtherIcon(kIconFloppy);
                }
                ShowDriveCaption();
                ui_->PanelDiscLength->clear();
                SetFunctionButtons(false, true, true, false);
                break;
            case drives::DriveType::Fixed:
            case drives::DriveType::Remote: {
                const bool fixed = type == drives::DriveType::Fixed;
                Bucket = parts_.Icons.MakeOtherIcon(fixed ? kIconHardDisk : kIconNetwork);
                ui_->PanelDiscType->setText(fixed ? QStringLiteral("Hard Disk")
                                                  : QStringLiteral("Network Drive"));
                const auto volume = parts_.Drives.volume(letter);
                ui_->PanelDiscSize->setText(
                    mbText(volume ? static_cast<std::int64_t>(volume->totalBytes) : 0));
                ui_->PanelDiscLength->clear();
                ui_->PanelDiscVolumeID->setText(caption);
                SetFunctionButtons(false, true, true, false);
                break;
            }
            case drives::DriveType::CdRom:
                SelectCdRom(selected_);
                break;
            default:
                ui_->PanelDiscType->setText(QStringLiteral("Drive Not Available"));
                tiles_[static_cast<std::size_t>(selected_)]->hide();
                break;
        }
    } catch (const std::exception& error) {
        log::warning("kel", std::string("selecting a drive failed: ") + error.what());
        ui_->PanelDiscSize->setText(QStringLiteral("Error"));
        CDButtonSet();
    }
    tiles_[static_cast<std::size_t>(selected_)]->SetPicture(Bucket);
    RestoreScroll();
    unsetCursor();
}

void TCDTolvarMainDialogBox::SelectCdRom(int letterIndex) {
    auto& caption = driveCaptions_[static_cast<std::size_t>(letterIndex)];
    ui_->ToolsButton->setEnabled(true);
    audioTracks_ = 0;
    Bucket = parts_.Icons.MakeOtherIcon(kIconCdDrive);
    ui_->OpenLoadButton->setEnabled(true);
    const std::uint8_t device = KelCdData.DriveLetterMap[static_cast<std::size_t>(letterIndex)];
    if (!SendForSelected(kDiscVolumeInfo) || KelCdData.ReplyError) {
        ui_->PanelDiscType->setText(QStringLiteral("Drive Not Ready"));
        ui_->PanelDiscSize->setText(QStringLiteral("No Disc"));
        ui_->PanelDiscLength->clear();
        caption = QStringLiteral("No Disc");
        SetFunctionButtons(false, false, false, true);
        discClass_ = kDriveNotAnswering;
        ShowDriveCaption();
        return;
    }
    // A disc that answers sits in a closed tray, however the tray was closed.
    doorOpen_[static_cast<std::size_t>(letterIndex)] = false;
    ShowOpenLoadCaption();
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t frame = 0;
    FramesToMsfParts(KelCdData.TocLeadOut, minute, second, frame);
    ui_->PanelDiscLength->setText(
        QString::fromStdString(ZeroPad(minute, 2) + "min " + ZeroPad(second, 2) + "sec"));
    Bucket = parts_.Icons.MakeDriveIcon(device);
    KelCdData.DriveNumber = static_cast<std::int16_t>(letterIndex);
    const DiscClassification& disc = parts_.Icons.Disc();
    discClass_ = disc.DiscClass;
    audioTracks_ = disc.AudioTracks;
    const auto name = static_cast<std::size_t>(std::clamp<int>(disc.DiscClass, 0, kClassNone));
    ui_->PanelDiscType->setText(QString::fromUtf8(DiscTypeNames[name].data(),
                                                  static_cast<int>(DiscTypeNames[name].size())));
    caption = QString::fromStdString(disc.VolumeLabel);
    ui_->PanelTracks->setText(QString::number(disc.AudioTracks + disc.DataTracks));
    ui_->PanelDiscVolumeID->setText(caption);
    ui_->PanelDiscSize->setText(disc.DataSize != 0
                                    ? mbText(std::int64_t{disc.DataSize} * kCookedSectorSize)
                                    : QStringLiteral(" "));
    CDButtonSet();
    ShowDriveCaption();
}

void TCDTolvarMainDialogBox::CDButtonSet() {
    if (selected_ < 0) {
        return;
    }
    const bool autoRun = !PlatformIsWin32s;
    const bool anyAudio = audioTracks_ >= 1;
    auto& caption = driveCaptions_[static_cast<std::size_t>(selected_)];
    switch (discClass_) {
        case kClassAudio:
            SetFunctionButtons(true, false, false, true);
            caption = QStringLiteral("Audio CD");
            break;
        case kClassCdRom:
            SetFunctionButtons(false, autoRun, true, true);
            break;
        case kClassEnhanced:
        case kClassMixedMode:
        case kClassCdExtra:
            SetFunctionButtons(true, autoRun, true, true);
            break;
        case kClassPhoto:
        case kClassKaraoke:
        case kClassVideo:
            SetFunctionButtons(anyAudio, autoRun, true, true);
            break;
        default:
            SetFunctionButtons(anyAudio && !PlatformIsWin95, false, false, true);
            Bucket = CDunknown;
            caption = QStringLiteral("Unknown CD");
            break;
    }
}

void TCDTolvarMainDialogBox::PanelDriveAClick(int letterNumber) {
    if (ui_->OpenLoadButton->isEnabled() && DoorOpen(selected_)) {
        OpenLoadButtonClick();
    }
    SelectDrive(letterNumber);
}

void TCDTolvarMainDialogBox::PanelDriveADblClick(int letterNumber) {
    PanelDriveAClick(letterNumber);
    DriveDoubleClickAction();
}

void TCDTolvarMainDialogBox::DriveDoubleClickAction() {
    if (selected_ < 0) {
        return;
    }
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    const QString kind = ui_->PanelDiscType->text();
    if (kind == QLatin1String("Floppy Disk") || kind == QLatin1String("Removable Media")) {
        ui_->PanelDiscSize->clear();
        const auto volume = parts_.Drives.volume(static_cast<char>('A' + selected_));
        const auto bytes = volume ? static_cast<std::int64_t>(volume->totalBytes) : 0;
        if (bytes < 1) {
            QMessageBox::information(this, windowTitle(), QStringLiteral("No disk in the drive."));
            return;
        }
        ui_->PanelDiscSize->setText(kind == QLatin1String("Floppy Disk")
                                        ? QString::number(bytes / kKilobyte) + " Kb"
                                        : mbText(bytes));
        RunProgramDialog();
    } else if (kind == QLatin1String("Drive Not Ready")) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("Drive Not Ready"));
    } else if (kind == QLatin1String("Audio")) {
        PlayButtonClick();
    } else {
        RunProgramDialog();
    }
}

void TCDTolvarMainDialogBox::RunProgramDialog() {
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    SaveScroll();
    const QString root = Letter() + QStringLiteral(":\\");
    QString name = root;
    if (parts_.FileDlg.RunProgramPrompt(name) && name != root) {
        parts_.Launch.ShellExec(name.toStdString(), "", "");
    }
    RestoreScroll();
}

void TCDTolvarMainDialogBox::OpenLoadButtonClick() {
    if (selected_ < 0) {
        return;
    }
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    setCursor(Qt::WaitCursor);
    SendForSelected(kDriveDeviceStatus);
    ClearDriveTile();
    auto& door = doorOpen_[static_cast<std::size_t>(selected_)];
    if (door) {
        door = false;
        ShowOpenLoadCaption();
        if (SendForSelected(kDriveClose)) {
            // The drive answers NOT READY, then UNIT ATTENTION, while the
            // disc spins up; the tile would show no disc until clicked again.
            WaitUntilDriveReady(parts_.Client,
                                KelCdData.DriveLetterMap[static_cast<std::size_t>(selected_)],
                                kLoadReadyLimit);
        }
        SelectDrive(selected_ + 1);
    } else {
        ui_->PanelDiscType->setText(QStringLiteral("Drive Not Ready"));
        ui_->PanelDiscSize->setText(QStringLiteral("No Disc"));
        driveCaptions_[static_cast<std::size_t>(selected_)] = QStringLiteral("No Disc");
        ui_->PanelDiscLength->setText(QStringLiteral(" "));
        ui_->PanelTracks->setText(QStringLiteral(" "));
        ui_->PanelDiscVolumeID->setText(QStringLiteral(" "));
        door = true;
        ShowOpenLoadCaption();
        ui_->PlayButton->setEnabled(false);
        ui_->RunButton->setEnabled(false);
        ui_->SetupButton->setEnabled(false);
        SendForSelected(kDriveEject);
    }
    unsetCursor();
}

void TCDTolvarMainDialogBox::RunButtonClick() {
    if (selected_ < 0) {
        return;
    }
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    const std::string root = Letter().toStdString() + ":\\";
    const char letter = static_cast<char>('A' + selected_);
    const drives::Translation inf = drives::translatePath(root + "Autorun.inf", parts_.Drives);
    std::ifstream file;
    if (inf.status == drives::Lookup::Found) {
        file.open(inf.path);
    }
    if (!file.is_open()) {
        RunProgramDialog();
        return;
    }
    const AutorunEntry entry = ParseAutorun(file);
    file.close();
    if (!entry.IsAutorun) {
        return;
    }
    const auto folder = parts_.Drives.root(letter);
    const std::string directory = folder ? folder->string() : std::string();
    if (!entry.Program) {
        parts_.Launch.ShellExec(inf.path.string(), "", directory);
        return;
    }
    // Only files on the disc itself: ".." stops at its root, and a link that
    // leads off the disc is refused.
    const drives::Translation program = drives::translatePath(root + *entry.Program, parts_.Drives);
    if (program.status != drives::Lookup::Found) {
        log::warning("kel", "autorun program \"" + *entry.Program + "\": " + program.error);
        return;
    }
    parts_.Launch.ShellExec(program.path.string(), entry.Parameters, directory);
}

void TCDTolvarMainDialogBox::SetupButtonClick() {
    if (selected_ < 0) {
        return;
    }
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    const std::string root = Letter().toStdString() + ":\\";
    if (parts_.Launch.WinExec(root + "setup.exe") < kLaunchSucceeded &&
        parts_.Launch.WinExec(root + "install.exe") < kLaunchSucceeded) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Setup/Install program does not exist in Root "
                                            "Directory."));
    }
}

void TCDTolvarMainDialogBox::ScanTimerTimer() {
    std::vector<int> changed;
    const int records = std::min<int>(KelCdData.LastDriveIndex + 1, kDriveRecords);
    for (int i = 0; i < records; ++i) {
        const CdDriveRecord& record = KelCdData.DriveTable[static_cast<std::size_t>(i)];
        if (record.DeviceType != kCdRomDeviceType || record.LetterIndex >= kLetters) {
            continue;
        }
        KelCdData.DriveNumber = record.DeviceNumber;
        Send(kDriveMediaChanged);
        if (KelCdData.MediaChanged) {
            changed.push_back(record.LetterIndex + 1);
        }
    }
    KelCdData.DriveNumber = static_cast<std::int16_t>(selected_);
    // The selection follows a changed drive, so that the buttons act on the
    // drive the information box shows.
    for (int letterNumber : changed) {
        SelectDrive(letterNumber);
    }
}

void TCDTolvarMainDialogBox::ScanButtonClick() {
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    ScanAllDrives();
}

void TCDTolvarMainDialogBox::ScanButtonDblClick() {
    scanTimer_.stop();
    ScanAllDrives();
    scanTimer_.stop();
}

void TCDTolvarMainDialogBox::AutoScanClick() {
    RestoreScanTimer();
}

void TCDTolvarMainDialogBox::PlayButtonClick() {
    if (selected_ < 0) {
        return;
    }
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    SaveScroll();
    ui_->PlayButton->setEnabled(false);
    KelCdData.DriveNumber = static_cast<std::int16_t>(selected_);
    parts_.Player.SetAudioExtent(parts_.Icons.Disc().AudioExtent);
    parts_.Player.exec();
    ui_->PlayButton->setEnabled(true);
    RestoreScroll();
}

void TCDTolvarMainDialogBox::ToolsButtonClick() {
    if (selected_ < 0) {
        return;
    }
    ScanPause pause(scanTimer_, *autoScan_, pauseDepth_);
    parts_.Tools.Prepare(discClass_, KelCdData.DriveLetterMap[static_cast<std::size_t>(selected_)],
                         QPoint(x() + kToolsLeftOffset, y() + kToolsTopOffset));
    ui_->ToolsButton->setEnabled(false);
    parts_.Tools.exec();
    ui_->ToolsButton->setEnabled(true);
    RestoreScroll();
}

void TCDTolvarMainDialogBox::LabelMSCDEXDblClick() {
    SendForSelected(kDriveReset);
}

bool TCDTolvarMainDialogBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == ui_->ScanButton) {
            ScanButtonDblClick();
            return true;
        }
        if (watched == ui_->LabelVersion) {
            LabelMSCDEXDblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TCDTolvarMainDialogBox::closeEvent(QCloseEvent* event) {
    scanTimer_.stop();
    testkel16.stop();
    if (KelCdData.ServerConnected) {
        Send(kExit);
    }
    KelCdData.ServerReplyBuffer = {};
    QWidget::closeEvent(event);
}

}  // namespace kel::frontend
