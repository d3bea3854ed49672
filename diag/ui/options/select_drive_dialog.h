// "Select CD-ROM Drive": the devices found at start, one a line; the chosen
// one becomes the current device. The list carries the object name
// "driveList" and the buttons "ok" and "cancel", for tests.
#pragma once

#include <QDialog>

class QListWidget;

namespace kel::diag {

class SelectDriveDialog : public QDialog {
    Q_OBJECT
public:
    explicit SelectDriveDialog(QWidget* owner);

    // 1 after a device was chosen, 0 on Cancel (also when there is none).
    int exec() override;
    void accept() override;

private:
    void selectionChanged();

    QListWidget* list_;
};

// Runs the dialog; 1 when a device was chosen.
int RunSelectDrive(QWidget* owner);

}  // namespace kel::diag
