// TCDPlayerForm: the audio CD player. Plays the audio tracks of the selected
// drive through the drive server and polls the drive's position once a second.
#pragma once

#include <QDialog>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <cstdint>
#include <memory>

#include "frontend/common/drive_server_client.h"

namespace Ui {
class TCDPlayerForm;
}

namespace kel::frontend {

class TCDPlayerForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTrackButtons = 99;

    explicit TCDPlayerForm(DriveServerClient& client, QWidget* parent = nullptr);
    ~TCDPlayerForm() override;

    // Where the player stops: the end of the disc's audio, from its
    // classification.
    void SetAudioExtent(std::int32_t extent) { audioExtent_ = extent; }

    void FormCreate();
    void FormClose();
    void UpdateTimerTimer();
    void SpeedButton1Click(int tag);
    void SpeedButtonPlayClick(int tag);
    void SpeedButtonStepDblClick();
    void SpeedButtonBackDblClick();

    QToolButton* TrackButton(int track) const;
    QTimer& UpdateTimer() { return updateTimer_; }
    Ui::TCDPlayerForm& Form() { return *ui_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsPlaying() const;
    bool IsPaused() const;
    bool IsNoStatus() const;
    void PlayFromTrack();
    void ShowTrack();
    void Send(std::uint16_t code);
    void Play(std::int32_t from);
    void Stop();
    void ShowStopped();
    void SetDown(QToolButton* button);
    bool ValidTrack(std::int32_t track) const;
    bool IsAudioTrack(std::int32_t track) const;
    std::int32_t TrackStart(std::int32_t track) const;
    std::int32_t FirstAudioTrack() const;
    void MoveToPreviousTrack();
    void MoveToNextTrack();
    void ActOnNewTrack();

    DriveServerClient& client_;
    std::unique_ptr<Ui::TCDPlayerForm> ui_;
    std::array<QToolButton*, kTrackButtons> trackButtons_{};
    QTimer updateTimer_;
    std::int32_t playOffset_ = 150;
    std::int32_t audioExtent_ = 0;
    std::int32_t firstTrack_ = 1;
    std::int32_t lastTrack_ = 0;
    std::int16_t savedLetter_ = -1;
    bool open_ = false;
};

}  // namespace kel::frontend
