#include "frontend/common/icons.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <cstddef>
#include <utility>

namespace kel::frontend {
namespace {

// One colour and one short mark per class, so that two classes never look
// alike even in a small tile.
constexpr std::array<const char*, 9> kBadges{"\u266B", "ROM", "E+", "MIX", "PH",
                                             "KAR",    "VID", "EX", "?"};
const std::array<QColor, 9>& ringColours() {
    static const std::array<QColor, 9> colours{
        QColor(30, 90, 200),  QColor(40, 140, 60), QColor(140, 60, 170),
        QColor(200, 120, 20), QColor(220, 60, 90), QColor(200, 170, 0),
        QColor(20, 150, 160), QColor(110, 80, 40), QColor(120, 120, 120)};
    return colours;
}

QImage blankPicture() {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void drawBadge(QPainter& painter, const QRectF& box, const QColor& colour, const QString& text) {
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(colour);
    painter.drawRoundedRect(box, 3, 3);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(text.size() > 2 ? 9 : 11);
    painter.setFont(font);
    painter.drawText(box, Qt::AlignCenter, text);
}

QPixmap discPicture(std::size_t discClass) {
    QImage image = blankPicture();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ring = ringColours()[discClass];
    const QPointF centre(21, 21);
    QRadialGradient silver(centre, 20);
    silver.setColorAt(0.0, QColor(250, 250, 250));
    silver.setColorAt(0.6, QColor(200, 205, 215));
    silver.setColorAt(1.0, QColor(160, 165, 180));
    painter.setPen(QPen(QColor(90, 90, 100), 1));
    painter.setBrush(silver);
    painter.drawEllipse(centre, 20, 20);
    painter.setPen(QPen(ring, 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 14, 14);
    painter.setPen(QPen(QColor(90, 90, 100), 1));
    painter.setBrush(QColor(235, 235, 240));
    painter.drawEllipse(centre, 6, 6);
    painter.setBrush(Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.drawEllipse(centre, 2.5, 2.5);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    drawBadge(painter, QRectF(22, 30, 24, 15), ring, QString::fromUtf8(kBadges[discClass]));
    painter.end();
    return QPixmap::fromImage(image);
}

// A drive front: a box with a slot, a light and what marks its kind.
void drawDriveBox(QPainter& painter, const QColor& face) {
    painter.setPen(QPen(QColor(60, 60, 70), 1));
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(3, 14, 40, 20), 3, 3);
    painter.setBrush(QColor(40, 40, 45));
    painter.drawRect(QRectF(8, 20, 24, 3));
    painter.setBrush(QColor(60, 200, 60));
    painter.drawEllipse(QPointF(38, 29), 2, 2);
}

QPixmap otherPicture(int index) {
    QImage image = blankPicture();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (index) {
        case kIconFloppy:
            painter.setPen(QPen(QColor(20, 20, 40), 1));
            painter.setBrush(QColor(40, 60, 120));
            painter.drawRect(QRectF(8, 6, 30, 34));
            painter.setBrush(QColor(190, 195, 205));
            painter.drawRect(QRectF(15, 6, 16, 11));
            painter.setBrush(QColor(240, 240, 235));
            painter.drawRect(QRectF(12, 24, 22, 16));
            break;
        case kIconHardDisk:
            drawDriveBox(painter, QColor(170, 175, 185));
            break;
        case kIconRemovable:
            drawDriveBox(painter, QColor(200, 190, 160));
            painter.setBrush(QColor(30, 60, 140));
            painter.drawRect(QRectF(10, 6, 20, 14));
            break;
        case kIconNetwork:
            drawDriveBox(painter, QColor(170, 175, 185));
            painter.setPen(QPen(QColor(30, 100, 30), 3));
            painter.drawLine(QPointF(23, 34), QPointF(23, 42));
            painter.drawLine(QPointF(10, 42), QPointF(36, 42));
            break;
        case kIconReading:
            drawDriveBox(painter, QColor(230, 220, 120));
            drawBadge(painter, QRectF(14, 30, 18, 14), QColor(200, 120, 0), "...");
            break;
        default:
            drawDriveBox(painter, QColor(210, 210, 215));
            painter.setPen(QPen(QColor(60, 60, 70), 1));
            painter.setBrush(QColor(220, 225, 235));
            painter.drawEllipse(QPointF(20, 10), 8, 8);
            painter.setBrush(QColor(90, 90, 100));
            painter.drawEllipse(QPointF(20, 10), 2, 2);
            break;
    }
    painter.end();
    return QPixmap::fromImage(image);
}

}  // namespace

Ticons::Ticons(DriveServerClient& client, DirectoryProbe probe)
    : client_(client), probe_(std::move(probe)) {
    for (std::size_t i = 0; i < CDImageList.size(); ++i) {
        CDImageList[i] = discPicture(i);
    }
    for (std::size_t i = 0; i < OtherImageList.size(); ++i) {
        OtherImageList[i] = otherPicture(static_cast<int>(i));
    }
}

QPixmap Ticons::MakeDriveIcon(int device) {
    return CdImage(ClassifyAndKeep(device));
}

QPixmap Ticons::MakeOtherIcon(int index) const {
    if (index < 0 || index >= static_cast<int>(OtherImageList.size())) {
        return OtherImageList[kIconCdDrive];
    }
    return OtherImageList[static_cast<std::size_t>(index)];
}

std::int16_t Ticons::ClassifyAndKeep(int device) {
    return ClassifyDisc(client_, device, disc_, probe_);
}

QPixmap Ticons::CdImage(int discClass) const {
    if (discClass < 0 || discClass >= static_cast<int>(CDImageList.size())) {
        return CDImageList[kClassNone];
    }
    return CDImageList[static_cast<std::size_t>(discClass)];
}

}  // namespace kel::frontend
