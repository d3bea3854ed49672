// The CD+G player window: the 300 x 216 display of the screen image, a line
// of progress text, a progress bar and the snapshot, pause/resume and stop
// buttons. It decodes each buffer's subcode once the buffer has played.
#pragma once

#include <QDialog>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "diag/tools/cdg/cdg_screen.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kel::diag {

class CdgDecoder;
class CdgRecordFile;
struct CdgPlayback;

// The display control: paints the screen image with its colour table, the
// image taken from the scroll offsets on.
class CdgDisplay : public QWidget {
    Q_OBJECT

public:
    CdgDisplay(const CdgScreen& screen, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CdgScreen& screen_;
};

class CdgPlayerWindow : public QDialog {
    Q_OBJECT

public:
    CdgPlayerWindow(QWidget* owner, CdgPlayback& playback, CdgDecoder& decoder,
                    CdgRecordFile& records);

    // Buffer `index` has played: its subcode is decoded and the buffer freed.
    void DecodeBuffer(int index);
    // "Playing frame %d of %d" and the bar.
    void ShowCdgProgress(std::int32_t done, std::int32_t total);
    // Destroys the window (later, from the event loop).
    void CloseWindow();

    void PauseClicked();
    void SnapshotClicked();
    void StopClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void LayoutCdgWindow();

    CdgPlayback& playback_;
    CdgDecoder& decoder_;
    CdgRecordFile& records_;
    CdgDisplay* display_ = nullptr;
    QLabel* text_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* snapshot_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    bool closing_ = false;
};

// Shows the window over the main window, lets the reader fill the ring,
// calls `startThreads` and runs until the window is destroyed; then asks the
// threads to stop. The window exists before the threads start, so that not
// even the first buffers play before there is someone to decode them.
void RunCdgWindow(CdgPlayback& playback, CdgDecoder& decoder, CdgRecordFile& records,
                  const std::function<void()>& startThreads);

}  // namespace kel::diag
