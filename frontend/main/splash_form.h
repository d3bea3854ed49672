// TSplashForm: shown while the first scan of the drives runs.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TSplashForm;
}

namespace kel::frontend {

class TSplashForm : public QWidget {
    Q_OBJECT

public:
    explicit TSplashForm(QWidget* parent = nullptr);
    ~TSplashForm() override;

private:
    std::unique_ptr<Ui::TSplashForm> ui_;
};

}  // namespace kel::frontend
