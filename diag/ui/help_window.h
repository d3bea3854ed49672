// The help window: one topic of the help document at a time, its links
// followed in place, with the way back and to the contents. One window for
// the whole program, as one help viewer serves every dialog.
#pragma once

#include <QWidget>
#include <vector>

#include "diag/ui/help_document.h"

class QTextBrowser;
class QPushButton;

namespace kel::diag {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(QWidget* parent, HelpDocument document);

    // Shows the topic, which the document must hold.
    void showTopic(int context);
    int shownTopic() const { return history_.back(); }

private:
    void render();

    HelpDocument document_;
    std::vector<int> history_;
    QTextBrowser* browser_;
    QPushButton* back_;
};

}  // namespace kel::diag
