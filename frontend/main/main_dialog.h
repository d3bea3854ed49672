// TCDTolvarMainDialogBox: the main window of kel. One tile per drive letter,
// the information box of the selected drive and the function buttons; it
// scans the drives through the drive server, ejects and loads trays, starts a
// disc's programs and opens the player and the tools window.
#pragma once

#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frontend/common/drive_server_client.h"
#include "frontend/common/icons.h"
#include "frontend/main/drive_tile.h"
#include "frontend/main/launch_seam.h"
#include "platform/drives/drive_table.h"

namespace Ui {
class TCDTolvarMainDialogBox;
}

namespace kel::frontend {

class TCDPlayerForm;
class TFileDlg;
class TFtools;

// The disc class kept for a CD-ROM drive that did not answer.
inline constexpr int kDriveNotAnswering = 86;

struct MainDialogParts {
    DriveServerClient& Client;
    Ticons& Icons;
    TCDPlayerForm& Player;
    TFileDlg& FileDlg;
    TFtools& Tools;
    const drives::DriveTable& Drives;
    Launchers Launch;
};

class TCDTolvarMainDialogBox : public QWidget {
    Q_OBJECT

public:
    explicit TCDTolvarMainDialogBox(MainDialogParts parts, QWidget* parent = nullptr);
    ~TCDTolvarMainDialogBox() override;

    // The splash window, hidden and freed once the first scan is done.
    void SetSplash(QWidget* splash) { splash_ = splash; }

    void FormCreate();
    void FormActivate();
    void testkel16Timer();
    void StartApp();
    void ScanTimerTimer();
    void AutoScanClick();
    void ScanButtonClick();
    void ScanButtonDblClick();
    void OpenLoadButtonClick();
    void PlayButtonClick();
    void RunButtonClick();
    void SetupButtonClick();
    void ToolsButtonClick();
    void LabelMSCDEXDblClick();
    void PanelDriveAClick(int letterNumber);
    void PanelDriveADblClick(int letterNumber);
    void SelectDrive(int letterNumber);
    void ScanAllDrives();
    void CDButtonSet();

    // The server did not answer the handshake: says why and ends the program.
    void ServerNotFound(const QString& message);

    // Letter index of the selected drive (0 = A), -1 before the first choice.
    int SelectedLetter() const { return selected_; }
    bool DoorOpen(int letterIndex) const;
    DriveTile* Tile(int letterNumber) const;
    QAction* AutoScan() const { return autoScan_; }
    QTimer& ScanTimer() { return scanTimer_; }
    Ui::TCDTolvarMainDialogBox& Form() { return *ui_; }

signals:
    // StartApp has finished the first scan.
    void StartedUp();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sends `code` for the selected drive; false (and nothing sent) when no
    // drive is selected or the server has no device for its letter.
    bool SendForSelected(std::uint16_t code);
    void Send(std::uint16_t code);
    void RestoreScanTimer();
    void ArrangeDrivePanels();
    void ClearDriveCaptions();
    void ShowDriveCaption();
    void ClearDriveTile();
    void DriveDoubleClickAction();
    void RunProgramDialog();
    void SelectCdRom(int letterIndex);
    void SetFunctionButtons(bool play, bool autoRun, bool setup, bool open);
    void ShowOpenLoadCaption();
    void SaveScroll();
    void RestoreScroll();
    QString Letter() const;

    MainDialogParts parts_;
    std::unique_ptr<Ui::TCDTolvarMainDialogBox> ui_;
    std::array<DriveTile*, 26> tiles_{};
    std::array<QString, 26> driveCaptions_;
    // Trays this dialog opened, per drive: the button caption follows them.
    std::array<bool, 26> doorOpen_{};
    int selected_ = -1;
    int discClass_ = kClassNone;
    int audioTracks_ = 0;
    int savedScroll_ = 0;
    // How many handlers in the call chain hold the auto scan stopped.
    int pauseDepth_ = 0;
    std::vector<std::uint8_t> replyBuffer_;
    bool activated_ = false;
    bool started_ = false;
    QPixmap Bucket;
    QPixmap CDunknown;
    QTimer testkel16;
    QTimer scanTimer_;
    QMenu popupMenu_;
    QAction* autoScan_ = nullptr;
    QPointer<QWidget> splash_;
};

}  // namespace kel::frontend
