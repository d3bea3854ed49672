#include "frontend/main/player_form.h"

#include <QEvent>
#include <QGridLayout>
#include <algorithm>

#include "frontend/common/drive_letters.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/common/msf.h"
#include "server/request_codes.h"
#include "ui_player_form.h"

namespace kel::frontend {
namespace {

constexpr std::int16_t kStatusPlaying = 17;
constexpr std::int16_t kStatusPaused = 18;
constexpr std::int16_t kStatusNone = 21;
constexpr std::int32_t kNoTrack = 255;
constexpr std::int32_t kFirstTrack170 = 170;

constexpr int kTagPlay = 100;
constexpr int kTagPause = 101;
constexpr int kTagStop = 102;
constexpr int kTagBack = 103;
constexpr int kTagStep = 104;
constexpr int kTagPrev = 105;
constexpr int kTagNext = 106;

constexpr std::int32_t kStepFrames = 5 * kFramesPerSecond;
constexpr std::int32_t kLongStepFrames = 30 * kFramesPerSecond;
// Closer than this to a track's start, "Previous Track" goes to the track
// before instead of restarting this one.
constexpr std::int32_t kRestartWindow = 32;
constexpr int kGaugeEndMargin = 4;
constexpr int kButtonColumns = 20;
constexpr int kButtonWidth = 18;
constexpr int kButtonHeight = 16;

QString minutesSeconds(std::int32_t frames) {
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t frame = 0;
    FramesToMsfParts(frames, minute, second, frame);
    return QString::number(minute) + ":" + QString::fromStdString(ZeroPad(second, 2));
}

int gaugeSeconds(std::int32_t frames) {
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t frame = 0;
    FramesToMsfParts(frames, minute, second, frame);
    return std::max(minute * 60 + second, 0);
}

void setGauge(QProgressBar& gauge, int value) {
    gauge.setValue(std::clamp(value, gauge.minimum(), gauge.maximum()));
}

}  // namespace

TCDPlayerForm::TCDPlayerForm(DriveServerClient& client, QWidget* parent)
    : QDialog(parent), client_(client), ui_(std::make_unique<Ui::TCDPlayerForm>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    auto* grid = new QGridLayout(ui_->TrackButtonPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    QFont small = font();
    small.setPointSize(7);
    for (int t = 1; t <= kTrackButtons; ++t) {
        auto* button = new QToolButton(ui_->TrackButtonPanel);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(t));
        button->setText(QString::number(t));
        button->setToolTip(QStringLiteral("Select Track"));
        button->setProperty("tag", t);
        button->setFont(small);
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->setEnabled(false);
        connect(button, &QToolButton::clicked, this, [this, t] { SpeedButton1Click(t); });
        grid->addWidget(button, (t - 1) / kButtonColumns, (t - 1) % kButtonColumns);
        trackButtons_[static_cast<std::size_t>(t - 1)] = button;
    }
    for (QToolButton* button :
         {ui_->SpeedButtonPlay, ui_->SpeedButtonPause, ui_->SpeedButtonStop, ui_->SpeedButtonBack,
          ui_->SpeedButtonStep, ui_->SpeedButtonPrev, ui_->SpeedButtonNext}) {
        const int tag = button->property("tag").toInt();
        connect(button, &QToolButton::clicked, this, [this, tag] { SpeedButtonPlayClick(tag); });
    }
    ui_->SpeedButtonStep->installEventFilter(this);
    ui_->SpeedButtonBack->installEventFilter(this);
    updateTimer_.setInterval(1000);
    connect(&updateTimer_, &QTimer::timeout, this, &TCDPlayerForm::UpdateTimerTimer);
}

TCDPlayerForm::~TCDPlayerForm() = default;

QToolButton* TCDPlayerForm::TrackButton(int track) const {
    if (track < 1 || track > kTrackButtons) {
        return nullptr;
    }
    return trackButtons_[static_cast<std::size_t>(track - 1)];
}

void TCDPlayerForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Once per showing: activating the open window again changes nothing.
    if (!open_) {
        open_ = true;
        FormCreate();
    }
}

void TCDPlayerForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (open_) {
        FormClose();
    }
}

void TCDPlayerForm::FormClose() {
    updateTimer_.stop();
    open_ = false;
    KelCdData.DriveNumber = savedLetter_;
}

bool TCDPlayerForm::IsPlaying() const {
    return KelCdData.ChannelInfo.AudioStatus == kStatusPlaying;
}
bool TCDPlayerForm::IsPaused() const {
    return KelCdData.ChannelInfo.AudioStatus == kStatusPaused;
}
bool TCDPlayerForm::IsNoStatus() const {
    return KelCdData.ChannelInfo.AudioStatus == kStatusNone;
}

void TCDPlayerForm::Send(std::uint16_t code) {
    client_._Send(code & 0xF000u, code & 0x0F00u, code & 0x00FFu);
}

bool TCDPlayerForm::ValidTrack(std::int32_t track) const {
    return track >= firstTrack_ && track <= lastTrack_ && track >= 1 && track <= kTrackButtons;
}

std::int32_t TCDPlayerForm::TrackStart(std::int32_t track) const {
    return KelCdData.TrackTable[static_cast<std::size_t>(track - 1)].StartLba;
}

bool TCDPlayerForm::IsAudioTrack(std::int32_t track) const {
    return ValidTrack(track) &&
           KelCdData.TrackTable[static_cast<std::size_t>(track - 1)].DataTrack == 0;
}

std::int32_t TCDPlayerForm::FirstAudioTrack() const {
    for (std::int32_t t = firstTrack_; t <= lastTrack_; ++t) {
        if (IsAudioTrack(t)) {
            return t;
        }
    }
    return lastTrack_;
}

void TCDPlayerForm::SetDown(QToolButton* button) {
    for (QToolButton* each : {ui_->SpeedButtonPlay, ui_->SpeedButtonPause, ui_->SpeedButtonStop}) {
        each->setChecked(each == button);
    }
}

// Every play request starts at 00:02:00 or later: below it lies the lead-in.
void TCDPlayerForm::Play(std::int32_t from) {
    KelCdData.ParamA = std::max(from, playOffset_);
    KelCdData.ParamB = audioExtent_ + playOffset_;
    Send(kAudioPlay);
}

void TCDPlayerForm::Stop() {
    Send(kAudioStop);
    SetDown(ui_->SpeedButtonStop);
    ui_->StatusLabel->setText(QStringLiteral("Stopped"));
}

void TCDPlayerForm::ShowStopped() {
    ShowTrack();
    ui_->TrackTimeLabel->setText(QStringLiteral("0:00"));
    ui_->TrackDoneGauge->setValue(0);
    ui_->StatusLabel->setText(QStringLiteral("Stopped"));
}

void TCDPlayerForm::PlayFromTrack() {
    if (!ValidTrack(KelCdData.SelectedTrack)) {
        return;
    }
    Play(TrackStart(KelCdData.SelectedTrack) + playOffset_);
    SetDown(ui_->SpeedButtonPlay);
    ui_->StatusLabel->setText(QStringLiteral("Playing"));
    // The display follows the choice at once, not a poll later.
    ShowTrack();
}

void TCDPlayerForm::ShowTrack() {
    const std::int32_t track = KelCdData.SelectedTrack;
    if (!ValidTrack(track)) {
        return;
    }
    const std::int32_t length = KelCdData.TrackTable[static_cast<std::size_t>(track - 1)].Length;
    ui_->TrackDoneGauge->setMaximum(gaugeSeconds(length));
    ui_->TrackLenLabel->setText(minutesSeconds(length));
    ui_->CurTrkLabel->setText(QString::number(track));
    for (int t = 1; t <= kTrackButtons; ++t) {
        trackButtons_[static_cast<std::size_t>(t - 1)]->setStyleSheet(
            t == track ? QStringLiteral("QToolButton:enabled { color: red; }")
                       : QStringLiteral("QToolButton:enabled { color: navy; }"));
    }
}

void TCDPlayerForm::FormCreate() {
    playOffset_ = kLbaOffsetFrames;
    savedLetter_ = KelCdData.DriveNumber;
    lastTrack_ = 0;
    for (QToolButton* button : trackButtons_) {
        button->setEnabled(false);
    }
    // A letter the server did not pair has no device: nothing is sent.
    if (savedLetter_ < 0 || savedLetter_ >= static_cast<int>(kDriveLetters) ||
        KelCdData.DriveLetterMap[static_cast<std::size_t>(savedLetter_)] == kNoDevice) {
        ui_->LabelDriveLetter->clear();
        ui_->StatusLabel->setText(QStringLiteral("Stopped"));
        return;
    }
    const std::uint8_t device = KelCdData.DriveLetterMap[static_cast<std::size_t>(savedLetter_)];
    KelCdData.DriveNumber = device;
    KelCdData.SelectedTrack = 1;
    const int letter = DriveLetterOfDevice(device);
    ui_->LabelDriveLetter->setText(
        letter < 26 ? QString(QLatin1Char(static_cast<char>('A' + letter))) + ":" : QString());

    firstTrack_ = KelCdData.TocFirstTrack == kFirstTrack170 ? 1 : KelCdData.TocFirstTrack;
    firstTrack_ = std::max(firstTrack_, 1);
    lastTrack_ =
        std::min<std::int32_t>({KelCdData.TocLastTrack, KelCdData.TocTrackCount, kTrackButtons});
    ui_->TotTrkLabel->setText(QString::number(std::max(lastTrack_ - firstTrack_ + 1, 0)));
    ui_->TotalLenLabel->setText(minutesSeconds(audioExtent_));
    ui_->DiskDoneGauge->setMaximum(gaugeSeconds(audioExtent_));
    for (std::int32_t t = firstTrack_; t <= lastTrack_; ++t) {
        trackButtons_[static_cast<std::size_t>(t - 1)]->setEnabled(IsAudioTrack(t));
    }

    Send(kAudioQueryChannel);
    if (!KelCdData.ReplyError && IsPlaying()) {
        SetDown(ui_->SpeedButtonPlay);
        ui_->StatusLabel->setText(QStringLiteral("Playing"));
        if (ValidTrack(KelCdData.ChannelInfo.CurrentTrack)) {
            KelCdData.SelectedTrack = KelCdData.ChannelInfo.CurrentTrack;
        }
    } else {
        KelCdData.SelectedTrack = FirstAudioTrack();
        PlayFromTrack();
    }
    ShowTrack();
    updateTimer_.start();
}

void TCDPlayerForm::UpdateTimerTimer() {
    Send(kAudioQueryChannel);
    if (KelCdData.ReplyError) {
        return;
    }
    const ChannelInfoRecord& info = KelCdData.ChannelInfo;
    if ((IsPlaying() || IsPaused()) && info.CurrentTrack != kNoTrack) {
        if (!ValidTrack(info.CurrentTrack)) {
            return;
        }
        KelCdData.SelectedTrack = info.CurrentTrack;
        ShowTrack();
        ui_->TrackTimeLabel->setText(QString::number(info.TrackMinute) + ":" +
                                     QString::fromStdString(ZeroPad(info.TrackSecond, 2)));
        setGauge(*ui_->TrackDoneGauge, info.TrackMinute * 60 + info.TrackSecond + 1);
        setGauge(*ui_->DiskDoneGauge, info.DiscMinute * 60 + info.DiscSecond + 1);
    } else if (ui_->DiskDoneGauge->value() >= ui_->DiskDoneGauge->maximum() - kGaugeEndMargin) {
        ui_->SpeedButtonPlay->setChecked(false);
        ui_->SpeedButtonPause->setChecked(false);
        ui_->SpeedButtonStop->setChecked(true);
        ui_->StatusLabel->setText(QStringLiteral("Stopped"));
    }
}

void TCDPlayerForm::SpeedButton1Click(int tag) {
    if (!ValidTrack(tag)) {
        return;
    }
    KelCdData.SelectedTrack = tag;
    KelCdData.ParamA = TrackStart(tag) + playOffset_;
    Send(kAudioSeek);
    PlayFromTrack();
}

void TCDPlayerForm::MoveToPreviousTrack() {
    std::int32_t track = KelCdData.SelectedTrack - 1;
    if (!ValidTrack(track)) {
        track = lastTrack_;
    }
    for (; track >= firstTrack_; --track) {
        if (IsAudioTrack(track)) {
            KelCdData.SelectedTrack = track;
            return;
        }
    }
    for (track = lastTrack_; track >= firstTrack_; --track) {
        if (IsAudioTrack(track)) {
            KelCdData.SelectedTrack = track;
            return;
        }
    }
    KelCdData.SelectedTrack = firstTrack_;
}

void TCDPlayerForm::MoveToNextTrack() {
    std::int32_t track = KelCdData.SelectedTrack + 1;
    if (!ValidTrack(track)) {
        track = firstTrack_;
    }
    for (; track <= lastTrack_; ++track) {
        if (IsAudioTrack(track)) {
            KelCdData.SelectedTrack = track;
            return;
        }
    }
    KelCdData.SelectedTrack = lastTrack_;
}

// After Previous or Next: the drive's state decides what the new track does.
void TCDPlayerForm::ActOnNewTrack() {
    if (IsPlaying()) {
        Send(kAudioStop);
        PlayFromTrack();
    } else if (IsPaused()) {
        if (ValidTrack(KelCdData.SelectedTrack)) {
            Play(TrackStart(KelCdData.SelectedTrack) + playOffset_);
            Send(kAudioPause);
        }
        ShowTrack();
    } else if (IsNoStatus()) {
        ShowStopped();
    }
}

void TCDPlayerForm::SpeedButtonPlayClick(int tag) {
    updateTimer_.stop();
    const ChannelInfoRecord& info = KelCdData.ChannelInfo;
    switch (tag) {
        case kTagPlay:
            Send(kAudioStop);
            PlayFromTrack();
            break;
        case kTagPause:
            if (ui_->StatusLabel->text() == QLatin1String("Paused")) {
                Send(kAudioResume);
                Send(kAudioQueryChannel);
                SetDown(ui_->SpeedButtonPlay);
                ui_->StatusLabel->setText(QStringLiteral("Playing"));
                if (!IsPlaying()) {
                    PlayFromTrack();
                }
            } else {
                Send(kAudioPause);
                SetDown(ui_->SpeedButtonPause);
                ui_->StatusLabel->setText(QStringLiteral("Paused"));
            }
            break;
        case kTagStop: {
            const bool wasStopped = ui_->StatusLabel->text() == QLatin1String("Stopped");
            Send(kAudioStop);
            SetDown(ui_->SpeedButtonStop);
            if (wasStopped) {
                KelCdData.SelectedTrack = FirstAudioTrack();
                ui_->DiskDoneGauge->setValue(0);
            }
            ShowStopped();
            break;
        }
        case kTagBack:
            Send(kAudioQueryChannel);
            if (!KelCdData.ReplyError && IsPlaying()) {
                Play(MsfToLba(info.DiscMinute, info.DiscSecond, info.DiscFrame) - kStepFrames +
                     playOffset_);
            }
            break;
        case kTagStep:
            Send(kAudioQueryChannel);
            if (!KelCdData.ReplyError && IsPlaying()) {
                const std::int32_t to = info.DiscLba + kStepFrames;
                if (to < audioExtent_) {
                    Play(to + playOffset_);
                } else {
                    Stop();
                }
            }
            break;
        case kTagPrev:
            Send(kAudioQueryChannel);
            if (KelCdData.ReplyError) {
                break;
            }
            if (IsNoStatus() || !ValidTrack(KelCdData.SelectedTrack) ||
                info.DiscLba < TrackStart(KelCdData.SelectedTrack) + kRestartWindow) {
                MoveToPreviousTrack();
            }
            ActOnNewTrack();
            break;
        case kTagNext:
            Send(kAudioQueryChannel);
            if (KelCdData.ReplyError) {
                break;
            }
            MoveToNextTrack();
            ActOnNewTrack();
            break;
        default:
            break;
    }
    if (open_) {
        updateTimer_.start();
    }
}

void TCDPlayerForm::SpeedButtonStepDblClick() {
    Send(kAudioQueryChannel);
    if (KelCdData.ReplyError || !IsPlaying()) {
        return;
    }
    // The audio ends before a CD Extra disc's data session: stepping stops there.
    const std::int32_t to = KelCdData.ChannelInfo.DiscLba + kLongStepFrames;
    if (to >= audioExtent_) {
        Stop();
    } else {
        Play(to + playOffset_);
    }
}

void TCDPlayerForm::SpeedButtonBackDblClick() {
    Send(kAudioQueryChannel);
    if (KelCdData.ReplyError || !IsPlaying()) {
        return;
    }
    Play(KelCdData.ChannelInfo.DiscLba - kLongStepFrames + playOffset_);
}

bool TCDPlayerForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == ui_->SpeedButtonStep) {
            SpeedButtonStepDblClick();
            return true;
        }
        if (watched == ui_->SpeedButtonBack) {
            SpeedButtonBackDblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kel::frontend
