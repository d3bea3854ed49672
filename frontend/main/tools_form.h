// TFtools: the "CD Tools" window. Starts the suite's test programs for the
// selected drive; which of them a disc allows follows its class.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <memory>

#include "frontend/main/launch_seam.h"

namespace Ui {
class TFtools;
}

namespace kel::frontend {

class TFtools : public QDialog {
    Q_OBJECT

public:
    explicit TFtools(Launchers launch, QWidget* parent = nullptr);
    ~TFtools() override;

    // The selected drive's disc class and server device number, and where the
    // window goes; called before each showing.
    void Prepare(int discClass, int device, QPoint at);

    void FormActivate();
    void test1buttonClick();
    void tocbuttonClick();
    void comparebuttonClick();
    void recoverbuttonClick();
    void testpostgapbuttonClick();

    Ui::TFtools& Form() { return *ui_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void StartTool(const char* file, bool withDevice);

    Launchers launch_;
    std::unique_ptr<Ui::TFtools> ui_;
    QString programDirectory_;
    int discClass_ = 0;
    int device_ = 0;
    QPoint at_;
};

}  // namespace kel::frontend
