#include "diag/tools/cdg/cdg_player_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "diag/tools/cdg/cdg_decoder.h"
#include "diag/tools/cdg/cdg_playback.h"
#include "diag/tools/cdg/cdg_record_file.h"
#include "diag/tools/format_text.h"
#include "diag/ui/message_context.h"

namespace kel::diag {

CdgDisplay::CdgDisplay(const CdgScreen& screen, QWidget* parent)
    : QWidget(parent), screen_(screen) {
    setFixedSize(kCdgWidth, kCdgHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CdgDisplay::paintEvent(QPaintEvent* event) {
    QImage image(screen_.pixels.data(), kCdgWidth, kCdgHeight, kCdgWidth, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const CdgColour& c : screen_.palette) {
        colours.append(qRgb(c.red, c.green, c.blue));
    }
    image.setColorTable(colours);
    QPainter painter(this);
    // What lies past the image's edge once it is offset stays black.
    painter.fillRect(event->rect(), Qt::black);
    const QPoint offset(screen_.hOffset, screen_.vOffset);
    const QRect source = event->rect().translated(offset) & image.rect();
    painter.drawImage(source.topLeft() - offset, image, source);
}

CdgPlayerWindow::CdgPlayerWindow(QWidget* owner, CdgPlayback& playback, CdgDecoder& decoder,
                                 CdgRecordFile& records)
    : QDialog(owner), playback_(playback), decoder_(decoder), records_(records) {
    setWindowTitle(QString::fromStdString(CurrentMessageContext().caption));
    display_ = new CdgDisplay(decoder.screen(), this);
    text_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    snapshot_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), {}, this);
    pause_ = new QPushButton(style()->standardIcon(QStyle::SP_MediaPause), {}, this);
    stop_ = new QPushButton(style()->standardIcon(QStyle::SP_MediaStop), {}, this);
    snapshot_->setObjectName("snapshot");
    pause_->setObjectName("pause");
    stop_->setObjectName("stop");
    for (QPushButton* button : {snapshot_, pause_, stop_}) {
        button->setAutoDefault(false);
    }
    connect(snapshot_, &QPushButton::clicked, this, &CdgPlayerWindow::SnapshotClicked);
    connect(pause_, &QPushButton::clicked, this, &CdgPlayerWindow::PauseClicked);
    connect(stop_, &QPushButton::clicked, this, &CdgPlayerWindow::StopClicked);
    LayoutCdgWindow();
}

void CdgPlayerWindow::LayoutCdgWindow() {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(snapshot_);
    buttons->addWidget(pause_);
    buttons->addWidget(stop_);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->addWidget(display_, 0, Qt::AlignHCenter);
    column->addWidget(text_);
    column->addWidget(progress_);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (QWidget* owner = parentWidget()) {
        move(owner->geometry().center() - rect().center());
    }
}

void CdgPlayerWindow::DecodeBuffer(int index) {
    const auto subcode = playback_.buffer(index).last<kSubcodeBytes>();
    if (decoder_.DecodeSubcodeSector(subcode)) {
        display_->update();
    }
    playback_.freeBuffers.Release();
}

void CdgPlayerWindow::ShowCdgProgress(std::int32_t done, std::int32_t total) {
    const FormatArg args[] = {done, total};
    text_->setText(QString::fromStdString(FormatText("Playing frame %d of %d", args, 64)));
    progress_->setValue(total > 0 ? int(std::int64_t{done} * 100 / total) : 0);
}

void CdgPlayerWindow::CloseWindow() {
    if (closing_) {
        return;
    }
    closing_ = true;
    playback_.DetachWindow();
    playback_.Resume();
    hide();
    deleteLater();
}

void CdgPlayerWindow::PauseClicked() {
    if (playback_.paused) {
        playback_.Resume();
        pause_->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    } else {
        playback_.paused = true;
        pause_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    }
}

void CdgPlayerWindow::SnapshotClicked() {
    records_.AppendSnapshot(decoder_.packetNumber(), decoder_.screen());
}

// Both threads may be waiting on the ring: each wakes to find the stop.
void CdgPlayerWindow::StopClicked() {
    playback_.stop = true;
    playback_.Resume();
    playback_.freeBuffers.Release();
    playback_.filledBuffers.Release();
}

// The window goes when playback has ended, never on the user's close.
void CdgPlayerWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

// Escape stops playback like the stop button.
void CdgPlayerWindow::reject() {
    StopClicked();
}

void RunCdgWindow(CdgPlayback& playback, CdgDecoder& decoder, CdgRecordFile& records,
                  const std::function<void()>& startThreads) {
    QEventLoop loop;
    auto* window = new CdgPlayerWindow(CurrentMessageContext().owner, playback, decoder, records);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    playback.AttachWindow(window);
    window->show();
    playback.freeBuffers.Release(kCdgWindowBuffers);
    startThreads();
    loop.exec();
    playback.stop = true;
    playback.freeBuffers.Release();
}

}  // namespace kel::diag
