#include "diag/tools/sector/sector_display_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "diag/device/device_access.h"
#include "diag/disc/track_info.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/errscan/disc_end.h"
#include "diag/tools/sector/sector_text.h"

namespace kel::diag {
namespace {

constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kListTop = kMargin + kRowHeight + kMargin;
constexpr int kInitialListHeight = 360;
constexpr int kNarrowestDialog = 480;
constexpr std::chrono::milliseconds kResizeSettle{110};
constexpr std::size_t kCookedBytes = 2048;
constexpr std::size_t kUserDataOffset = 16;
constexpr std::size_t kXaUserDataOffset = 24;

// Each line drawn as the program draws its own list: window text on the
// window background, at the bottom of its item.
class SectorLineDelegate : public QStyledItemDelegate {
public:
    SectorLineDelegate(QFont font, int lineHeight, QObject* parent)
        : QStyledItemDelegate(parent), font_(std::move(font)), lineHeight_(lineHeight) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& palette = option.palette;
        painter->save();
        painter->fillRect(option.rect, palette.color(QPalette::Window));
        painter->setPen(palette.color(QPalette::WindowText));
        painter->setFont(font_);
        painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignBottom,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {QFontMetrics(font_).horizontalAdvance(QString(kSectorLineLength, '0')),
                lineHeight_};
    }

private:
    QFont font_;
    int lineHeight_;
};

const TrackInfo* trackOf(const TrackList& tracks, std::int32_t sector) {
    for (const TrackInfo* t = tracks.first; t != nullptr; t = t->next) {
        if (t->start <= sector && sector <= t->end &&
            (t->next == nullptr || t->next->start > sector)) {
            return t;
        }
    }
    return nullptr;
}

// Where the user data of a sector of that track begins in a raw sector: after
// the sub-header too on mode 2 (XA and packet-written) tracks.
std::size_t userDataStart(const TrackInfo* track) {
    const bool mode2 =
        track != nullptr && (track->flags & (track_flags::kCdRomXa | track_flags::kPacket)) != 0;
    return mode2 ? kXaUserDataOffset : kUserDataOffset;
}

}  // namespace

SectorDisplayDialog::SectorDisplayDialog(QWidget* owner, const SectorDisplaySetup& setup)
    : QDialog(owner), current_(setup.current), buffer_(setup.buffer), cddaReads_(setup.cddaReads) {
    setObjectName("SectorDisplay");
    setWindowTitle(tr("Sector Display"));
    const TrackList& tracks = Tracks();
    CdDevice* device = CurrentDevice();
    validFirst_ = tracks.first ? tracks.first->start : 0;
    validEnd_ = DiscEndBlock(tracks);

    auto* sectorLabel = new QLabel(tr("Sector"), this);
    sectorLabel->setGeometry(kMargin, kMargin, 45, kRowHeight);
    sector_ = new QLineEdit(this);
    sector_->setObjectName("sector");
    sector_->setGeometry(55, kMargin, 80, kRowHeight);
    spin_ = new QScrollBar(Qt::Vertical, this);
    spin_->setObjectName("spin");
    spin_->setGeometry(136, kMargin, 16, kRowHeight);
    // Negated, so that the upper arrow goes to the next sector, as a spin
    // control's does.
    spin_->setRange(-(tracks.last ? tracks.last->start : validFirst_), -validFirst_);
    spin_->setValue(-current_);
    auto* msfLabel = new QLabel(tr("MSF:"), this);
    msfLabel->setGeometry(162, kMargin, 35, kRowHeight);
    msf_ = new QLabel(this);
    msf_->setObjectName("msf");
    msf_->setGeometry(197, kMargin, 80, kRowHeight);
    rawMode_ = new QCheckBox(tr("Raw mode"), this);
    rawMode_->setObjectName("rawMode");
    rawMode_->setGeometry(282, kMargin, 100, kRowHeight);
    const bool cdda = device != nullptr && device->cddaMode;
    rawMode_->setChecked(cdda || (tracks.first != nullptr && !IsDataTrack(*tracks.first)));
    rawMode_->setEnabled(device != nullptr && device->rawMode && !cdda);
    close_ = new QPushButton(tr("Close"), this);
    close_->setObjectName("close");
    close_->setAutoDefault(false);

    lines_ = new QListWidget(this);
    lines_->setObjectName("lines");
    lines_->setFont(setup.font);
    lines_->setUniformItemSizes(true);
    lines_->setSelectionMode(QAbstractItemView::NoSelection);
    lines_->setItemDelegate(new SectorLineDelegate(setup.font, setup.lineHeight, lines_));
    const int listWidth =
        QFontMetrics(setup.font).horizontalAdvance(QString(kSectorLineLength + 1, '0')) +
        lines_->verticalScrollBar()->sizeHint().width() + 2 * lines_->frameWidth();
    const int width = std::max(listWidth + 2 * kMargin, kNarrowestDialog);
    lines_->setGeometry(kMargin, kListTop, width - 2 * kMargin, kInitialListHeight);
    close_->setGeometry(width - kMargin - 75, kMargin, 75, kRowHeight);
    resize(width, kListTop + kInitialListHeight + kMargin);
    rememberedWidth_ = width;
    listBottomMargin_ = kMargin;

    resizeTimer_.setSingleShot(true);
    resizeTimer_.setInterval(kResizeSettle);
    connect(&resizeTimer_, &QTimer::timeout, this, &SectorDisplayDialog::fitListToHeight);
    connect(close_, &QPushButton::clicked, this, &SectorDisplayDialog::reject);
    connect(sector_, &QLineEdit::returnPressed, this, &SectorDisplayDialog::EnterPressed);
    connect(rawMode_, &QCheckBox::toggled, this, &SectorDisplayDialog::ShowSector);
    connect(spin_, &QScrollBar::actionTriggered, this, &SectorDisplayDialog::SpinAction);
    connect(spin_, &QScrollBar::sliderReleased, this, &SectorDisplayDialog::ShowSector);
    ShowSector();
}

bool SectorDisplayDialog::inValidRange(std::int64_t block) const {
    return block >= validFirst_ && block < validEnd_;
}

void SectorDisplayDialog::ShowSector() {
    sector_->setText(QString::number(current_));
    msf_->setText(QString::fromStdString(MsfText(current_)));
    CdDevice* device = CurrentDevice();
    lines_->setUpdatesEnabled(false);
    lines_->clear();
    if (device != nullptr && readCurrentSector(*device)) {
        // Only a raw read fills the whole buffer; a cooked one leaves the
        // bytes after 2048 as they were, which are no part of this sector.
        const bool rawRead = device->cddaMode || device->rawMode;
        std::size_t offset = 0;
        std::size_t length = kCookedBytes;
        if (device->cddaMode || (rawRead && rawMode_->isChecked())) {
            length = kSectorBufferBytes;
        } else if (device->rawMode) {
            offset = userDataStart(trackOf(Tracks(), current_));
        }
        for (std::size_t at = 0; at < length; at += kBytesPerLine) {
            const auto bytes = buffer_.subspan(offset + at).first<kBytesPerLine>();
            lines_->addItem(QString::fromStdString(
                SectorLineText(bytes, static_cast<int>(at / kBytesPerLine))));
        }
    }
    lines_->setUpdatesEnabled(true);
}

// CD-DA reads serve the audio sectors alone: a data sector read in that mode
// brings only its 2048 user bytes, so a data sector is read as data.
bool SectorDisplayDialog::readCurrentSector(CdDevice& device) {
    if (current_ < 0) {
        return false;
    }
    if (cddaReads_) {
        const TrackInfo* track = trackOf(Tracks(), current_);
        const bool audio = track == nullptr || !IsDataTrack(*track);
        if (device.cddaMode != audio) {
            const std::uint8_t quiet = device.quiet;
            device.quiet = 1;
            device.SetCddaMode(audio);
            device.quiet = quiet;
        }
    }
    return device.ReadSectors(static_cast<std::uint32_t>(current_), buffer_, 1);
}

void SectorDisplayDialog::restoreInput() {
    QApplication::beep();
    sector_->setText(QString::number(current_));
}

void SectorDisplayDialog::EnterPressed() {
    const QString text = sector_->text();
    const std::optional<std::int64_t> block = SectorFromInput(text.toStdString());
    if (!block) {
        StatusText(196, text.toStdString());
        restoreInput();
        return;
    }
    if (!inValidRange(*block)) {
        StatusText(197, *block);
        restoreInput();
        return;
    }
    current_ = static_cast<std::int32_t>(*block);
    spin_->setValue(-current_);
    ShowSector();
}

void SectorDisplayDialog::SpinAction(int action) {
    std::int64_t wanted = 0;
    if (action == QAbstractSlider::SliderSingleStepSub) {
        wanted = std::int64_t{current_} + 1;
    } else if (action == QAbstractSlider::SliderSingleStepAdd) {
        wanted = std::int64_t{current_} - 1;
    } else {
        wanted = -std::int64_t{spin_->sliderPosition()};
    }
    if (inValidRange(wanted)) {
        current_ = static_cast<std::int32_t>(wanted);
        sector_->setText(QString::number(current_));
        if (!spin_->isSliderDown()) {
            ShowSector();
        }
    }
    spin_->setSliderPosition(-current_);
}

void SectorDisplayDialog::keyPressEvent(QKeyEvent* event) {
    // Enter anywhere in the dialog takes the typed sector, as the dialog's
    // default button; in the edit field it has already been taken.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() != sector_) {
            EnterPressed();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void SectorDisplayDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (rememberedWidth_ != 0 && event->size().width() != rememberedWidth_) {
        resize(rememberedWidth_, event->size().height());
    }
    resizeTimer_.start();
}

void SectorDisplayDialog::fitListToHeight() {
    const int height = std::max(kRowHeight, this->height() - kListTop - listBottomMargin_);
    lines_->resize(lines_->width(), height);
}

}  // namespace kel::diag
