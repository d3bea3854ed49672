// The "VOLUMEINFO" dialog: the lines of a volume descriptor's field table in
// a list with one tab stop, copied to the clipboard on request.
#pragma once

#include <QDialog>
#include <string>
#include <vector>
#include "diag/ui/help_contexts.h"

class QListWidget;

namespace kel::diag {

class VolumeInfoDialog : public QDialog {
    Q_OBJECT
public:
    VolumeInfoDialog(const std::vector<std::string>& lines, QWidget* parent = nullptr);

    static constexpr int kHelpContext = help_context::kVolume;

    // The lines as clipboard text: each label padded to one column of 28
    // characters, lines ended by CR LF.
    static QString ClipboardText(const std::vector<std::string>& lines);

signals:
    void helpRequested(int context);

private:
    std::vector<std::string> lines_;
    QListWidget* list_ = nullptr;
};

}  // namespace kel::diag
