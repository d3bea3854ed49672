// One drive tile of the main dialog: the panel PanelDriveX with the drive's
// picture ImageDriveX, its caption LabelTypeX and its letter LabelX. A click
// or double click anywhere on it reports the tile's letter number (1 = A).
#pragma once

#include <QFrame>
#include <QLabel>
#include <QPixmap>

namespace kel::frontend {

class DriveTile : public QFrame {
    Q_OBJECT

public:
    static constexpr int kWidth = 60;
    static constexpr int kHeight = 85;

    DriveTile(int letterNumber, QWidget* parent);

    int Tag() const { return tag_; }
    void SetSelected(bool selected);
    void SetPicture(const QPixmap& picture);
    void SetCaption(const QString& caption);
    QString Caption() const { return LabelType->text(); }
    const QLabel* Image() const { return ImageDrive; }

signals:
    void Clicked(int letterNumber);
    void DoubleClicked(int letterNumber);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int tag_;
    QLabel* ImageDrive;
    QLabel* LabelType;
    QLabel* Label;
};

}  // namespace kel::frontend
