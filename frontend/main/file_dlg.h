// TFileDlg: "Execute Program", which asks for the program to run.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TFileDlg;
}

namespace kel::frontend {

class TFileDlg : public QDialog {
    Q_OBJECT

public:
    explicit TFileDlg(QWidget* parent = nullptr);
    ~TFileDlg() override;

    // Offers `name`; afterwards it holds the edit's text. True when the
    // dialog closed with OK.
    bool RunProgramPrompt(QString& name);
    // "     &Browse": picks a file, starting in the folder typed in the edit.
    void HelpBtnClick();

    Ui::TFileDlg& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::TFileDlg> ui_;
};

}  // namespace kel::frontend
