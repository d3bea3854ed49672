// TFileDlg: "Execute Program", which asks for the program to run.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "platform/drives/drive_table.h"

namespace Ui {
class TFileDlg;
}

namespace kel::frontend {

class TFileDlg : public QDialog {
    Q_OBJECT

public:
    // Drive paths typed in the edit are looked up in `drives`.
    explicit TFileDlg(const drives::DriveTable& drives, QWidget* parent = nullptr);
    ~TFileDlg() override;

    // Offers `name`; afterwards it holds the edit's text. True when the
    // dialog closed with OK.
    bool RunProgramPrompt(QString& name);
    // "     &Browse": picks a file, starting in the folder typed in the edit
    // ("D:\" is the folder that stands for D:).
    void HelpBtnClick();

    Ui::TFileDlg& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::TFileDlg> ui_;
    const drives::DriveTable& drives_;
};

}  // namespace kel::frontend
