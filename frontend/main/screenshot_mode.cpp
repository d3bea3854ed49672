#include "frontend/main/screenshot_mode.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include "frontend/main/main_dialog.h"
#include "platform/base/log.h"
#include "ui_main_dialog.h"

namespace kel::frontend {
namespace {

constexpr int kSettleMilliseconds = 500;
// Long enough for the emulated clock to move the player's display.
constexpr int kPlayingMilliseconds = 3500;

void save(QWidget& window, const QString& path) {
    if (!window.grab().save(path)) {
        log::warning("kel", "cannot save " + path.toStdString());
    }
}

int firstTileWith(TCDTolvarMainDialogBox& dialog, const QPushButton& button) {
    for (int n = 1; n <= 26; ++n) {
        DriveTile* tile = dialog.Tile(n);
        if (tile->isHidden() || !tile->Caption().trimmed().size()) {
            continue;
        }
        dialog.PanelDriveAClick(n);
        if (button.isEnabled()) {
            return n;
        }
    }
    return 0;
}

}  // namespace

void ArrangeScreenshots(TCDTolvarMainDialogBox& dialog, const QString& folder) {
    QDir().mkpath(folder);
    QObject::connect(&dialog, &TCDTolvarMainDialogBox::StartedUp, &dialog, [&dialog, folder] {
        QTimer::singleShot(kSettleMilliseconds, &dialog, [&dialog, folder] {
            auto& form = dialog.Form();
            firstTileWith(dialog, *form.OpenLoadButton);
            save(dialog, folder + "/main.png");
            if (firstTileWith(dialog, *form.PlayButton) == 0) {
                log::warning("kel", "no drive can play audio: no player picture");
                dialog.close();
                return;
            }
            QTimer::singleShot(kPlayingMilliseconds, &dialog, [folder] {
                if (QWidget* player = QApplication::activeModalWidget()) {
                    save(*player, folder + "/player.png");
                    player->close();
                }
            });
            dialog.PlayButtonClick();
            dialog.close();
        });
    });
}

}  // namespace kel::frontend
