// The About dialog, also shown at start as the splash: the product's
// picture and name, the version text and the support mail link. The splash
// is modeless, stays on top and goes by itself after five seconds.
//
// The version text carries the object name "versionText" and the mail
// button "mailButton", for tests.
#pragma once

#include <QDialog>
#include <chrono>

namespace kel::diag {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // `splash`: centred on the screen, on top, closed by its timer and
    // deleted when closed; else centred on `owner`.
    AboutDialog(QWidget* owner, bool splash);

    QString versionText() const;

    // How long the splash stays; tests shorten it.
    static void setSplashDuration(std::chrono::milliseconds duration);

private:
    void mailSupport();
};

// "Version ...", the build date and time and the interface in use, as the
// dialog shows them (string 122).
std::string AboutVersionText(std::string_view interfaceName);

}  // namespace kel::diag
