#include "frontend/main/drive_tile.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPalette>

#include "frontend/common/icons.h"

namespace kel::frontend {
namespace {

const QColor kLime(0, 255, 0);
const QColor kScrollBar(200, 200, 200);

}  // namespace

DriveTile::DriveTile(int letterNumber, QWidget* parent)
    : QFrame(parent),
      tag_(letterNumber),
      ImageDrive(new QLabel(this)),
      LabelType(new QLabel(QStringLiteral(" "), this)),
      Label(new QLabel(this)) {
    const QChar letter(QLatin1Char(static_cast<char>('A' + letterNumber - 1)));
    setObjectName(QStringLiteral("PanelDrive") + letter);
    ImageDrive->setObjectName(QStringLiteral("ImageDrive") + letter);
    LabelType->setObjectName(QStringLiteral("LabelType") + letter);
    Label->setObjectName(QStringLiteral("Label") + letter);
    Label->setText(QString(letter) + QLatin1Char(':'));

    setFixedSize(kWidth, kHeight);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    ImageDrive->setGeometry((kWidth - kIconSize) / 2, 4, kIconSize, kIconSize);
    ImageDrive->setAlignment(Qt::AlignCenter);
    ImageDrive->setToolTip(QStringLiteral("Click to select; Double click to load the disc."));
    LabelType->setGeometry(1, 51, kWidth - 2, 16);
    LabelType->setAlignment(Qt::AlignCenter);
    Label->setGeometry(1, 67, kWidth - 2, 16);
    Label->setAlignment(Qt::AlignCenter);
    QFont small = LabelType->font();
    small.setPointSize(7);
    LabelType->setFont(small);
    for (QWidget* part : {static_cast<QWidget*>(this), static_cast<QWidget*>(ImageDrive),
                          static_cast<QWidget*>(LabelType), static_cast<QWidget*>(Label)}) {
        part->installEventFilter(this);
    }
    SetSelected(false);
}

void DriveTile::SetSelected(bool selected) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, selected ? kLime : kScrollBar);
    setPalette(colours);
}

void DriveTile::SetPicture(const QPixmap& picture) {
    ImageDrive->setPixmap(picture);
}

void DriveTile::SetCaption(const QString& caption) {
    LabelType->setText(caption);
}

bool DriveTile::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit Clicked(tag_);
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit DoubleClicked(tag_);
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace kel::frontend
