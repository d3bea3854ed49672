#include "frontend/main/splash_form.h"

#include <QScreen>
#include <QStyle>

#include "ui_splash_form.h"

namespace kel::frontend {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::TSplashForm>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    ui_->Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(48, 48));
    if (const QScreen* display = screen()) {
        move(display->availableGeometry().center() - rect().center());
    }
}

TSplashForm::~TSplashForm() = default;

}  // namespace kel::frontend
