// TFcompare: the window of the compare program. The user picks the master
// and the copy drive, sees each disc's icon, label and size, sets the range,
// runs and stops the compare (tcompare), and saves or prints the results.
// Options live in "KEL.INI"; both drives are polled for media changes.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPrinter>
#include <QTimer>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "frontend/common/cd_records.h"
#include "frontend/common/drive_server_client.h"
#include "frontend/common/icons.h"
#include "frontend/compare/compare_data.h"
#include "frontend/compare/compare_settings.h"
#include "frontend/compare/compare_view.h"
#include "frontend/compare/tcompare.h"
#include "platform/profile/ini_file.h"

namespace Ui {
class TFcompare;
}

namespace kel::compare {

// What the form asks of the user and the desktop; tests answer in its place.
struct TFcompareOptions {
    std::filesystem::path IniPath;
    // A Yes/No error box; true for Yes.
    std::function<bool(const QString& question)> AskYesNo;
    // A message box.
    std::function<void(const QString& message)> Tell;
    // The save dialog, already set up; the chosen file or empty.
    std::function<QString(QWidget& dialogParent, const QString& folder, const QString& name)>
        ChooseSaveFile;
    // The print dialog; false when cancelled.
    std::function<bool(QPrinter& printer, QWidget& dialogParent)> ChoosePrinter;
    // How long "close drive" waits for the drive to become ready.
    std::chrono::milliseconds CloseDriveLimit{10000};
};

// The defaults: "KEL.INI" beside the program and the real dialogs.
TFcompareOptions DefaultCompareOptions();

class TFcompare : public QMainWindow, private CompareView {
    Q_OBJECT

public:
    TFcompare(frontend::DriveServerClient& client, frontend::Ticons& icons,
              TFcompareOptions options = DefaultCompareOptions(), QWidget* parent = nullptr);
    ~TFcompare() override;

    // The results box's text as it would be saved.
    const QTextDocument& Results() const;
    const CompareSettings& Settings() const { return settings_; }
    bool Running() const { return !worker_.isNull(); }

    // Handlers, each bound to its control.
    void testkel16Timer();
    void StartApp();
    void DR_c0Change(int index);
    void DR_c1Change(int index);
    void open_sClick();
    void close_sClick();
    void opendrive1Click();
    void closedrive1Click();
    void TmediaTimer();
    void _comparecds();
    void StopButtonClick();
    void SaveButtonClick();
    void PrintTestResults1Click();
    void HintsOff1Click();
    void IgnoreSync1Click();
    void Normal1Click();
    void SBFontBoldClick();
    void SBFontItalicsClick();

    // The two halves of saving and printing, after their dialogs.
    bool SaveResults(const QString& file);
    void PrintResults(QPrinter& printer);

    QMenu pm_s;
    QMenu pm_1;
    QMenu EditMenu1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormActivate();
    void FormClose();
    void enable(QLabel& image, int device, int side);
    void updatesizes(bool clear);
    bool checksize();
    bool valuesetup();
    void stuff_copyright();
    void OpenDrive(int side);
    void CloseDrive(int side);
    // Every control that picks drives, sets the range or starts a run.
    void SetRunControls(bool enabled);
    void applyHints();
    void AppendLine(const QString& text, bool bold, const QColor& colour);
    void ChooseDrive(int side, int index);
    void WorkerFinished();

    // CompareView: the worker's steps, on this thread.
    void AddResultLine(const ResultLine& line) override;
    void AddResultLines(const std::vector<ResultLine>& lines) override;
    void StartSummary() override;
    void ShowProgress(int position, std::int32_t sectorsDone) override;
    void DrawProgress();
    void RunFinished(bool restartPolling) override;

    std::unique_ptr<Ui::TFcompare> ui;
    frontend::DriveServerClient& client_;
    frontend::Ticons& icons_;
    TFcompareOptions options_;
    profile::IniFile ini_;
    CompareSettings settings_;
    CompareData data_;
    // Copies of the client's CD-ROM drive records, in list order.
    std::vector<frontend::CdDriveRecord> cdroms_;
    // The device number each list's choice stands for (its tag); -1: none.
    std::array<int, 2> listTag_{-1, -1};
    QTimer Tmedia;
    QTimer testkel16;
    QLabel statusText_;
    QLabel statusCount_;
    // The newest progress not yet drawn, and the timer that draws it.
    std::optional<std::pair<int, std::int32_t>> pendingProgress_;
    QTimer progressDraw_;
    QPointer<tcompare> worker_;
    Qt::Alignment paragraphAlign_ = Qt::AlignLeft;
    bool activated_ = false;
    bool closing_ = false;
    // Set once a run started: the results stay until the user starts afresh.
    bool resultsPresent_ = false;
};

}  // namespace kel::compare
