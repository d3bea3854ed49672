#include "diag/ui/help_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "diag/ui/help_contexts.h"

namespace kel::diag {

HelpWindow::HelpWindow(QWidget* parent, HelpDocument document)
    : QWidget(parent, Qt::Window), document_(std::move(document)) {
    setObjectName("helpWindow");
    // The help stays open beside the program, but never keeps it running.
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("topic");
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        bool ok = false;
        const int target = link.path().toInt(&ok);
        if (link.scheme() == "help" && ok && document_.Find(target) != nullptr) {
            showTopic(target);
        }
    });
    auto* contents = new QPushButton(tr("&Contents"), this);
    contents->setObjectName("contents");
    connect(contents, &QPushButton::clicked, this, [this] {
        if (document_.Find(help_context::kContents) != nullptr) {
            showTopic(help_context::kContents);
        }
    });
    back_ = new QPushButton(tr("&Back"), this);
    back_->setObjectName("back");
    connect(back_, &QPushButton::clicked, this, [this] {
        history_.pop_back();
        render();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(520, 480);
}

void HelpWindow::showTopic(int context) {
    if (history_.empty() || history_.back() != context) {
        history_.push_back(context);
    }
    render();
}

void HelpWindow::render() {
    const HelpTopic& topic = *document_.Find(history_.back());
    setWindowTitle(tr("Quillon Help - %1").arg(QString::fromStdString(topic.title)));
    browser_->setHtml(QString::fromStdString(HelpTopicHtml(document_, topic)));
    back_->setEnabled(history_.size() > 1);
}

}  // namespace kel::diag
