#include "diag/ui/message_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>

#include "diag/ui/messages.h"
#include "diag/ui/sound_events.h"

namespace kel::diag {
namespace {

std::atomic<std::chrono::milliseconds::rep> autoAnswerDelayMs{kAutoAnswerDelay.count()};

int buttonSet(std::uint32_t styleWord) {
    return static_cast<int>(styleWord & 0x0F);
}
// Bit 2 turns the answers into Yes (6) and No (7).
bool yesNoAnswers(std::uint32_t styleWord) {
    return (styleWord & 0x04) != 0;
}

// The button texts of a set, cut at ";" from the string table.
QStringList buttonTexts(int set) {
    if (set == style::kYesNoCancel) {
        return QString::fromStdString(LoadResString(903)).split(';');
    }
    if (set == style::kYesNo) {
        return QString::fromStdString(LoadResString(902)).split(';');
    }
    return {QDialog::tr("OK"), QDialog::tr("Cancel")};
}

}  // namespace

void MessageDialogWindow::setAutoAnswerDelay(std::chrono::milliseconds delay) {
    autoAnswerDelayMs = delay.count();
}

MessageDialogWindow::MessageDialogWindow(QWidget* owner, const QString& text,
                                         const QString& caption, std::uint32_t styleWord, Kind kind)
    : QDialog(owner), style_(styleWord), kind_(kind) {
    setWindowTitle(caption);

    auto* icon = new QLabel(this);
    QStyle::StandardPixmap iconKind = QStyle::SP_MessageBoxWarning;
    if (kind_ == Kind::Guide) {
        iconKind = QStyle::SP_MessageBoxInformation;
    } else if (buttonSet(style_) == style::kOkCancel || buttonSet(style_) == style::kYesNoCancel ||
               buttonSet(style_) == style::kYesNo) {
        iconKind = QStyle::SP_MessageBoxQuestion;
    }
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(iconKind, nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    // Texts are written with explicit line breaks; they are never markup.
    auto* label = new QLabel(text, this);
    label->setObjectName("messageText");
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(icon);
    textRow->addWidget(label, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(textRow);

    if (kind_ == Kind::Guide) {
        guideCheck_ = new QCheckBox(tr("Do not show this message again"), this);
        guideCheck_->setObjectName("guideCheck");
        layout->addWidget(guideCheck_);
        QPalette tip = palette();
        tip.setColor(QPalette::Window, tip.color(QPalette::ToolTipBase));
        tip.setColor(QPalette::WindowText, tip.color(QPalette::ToolTipText));
        setPalette(tip);
        setAutoFillBackground(true);
    }

    auto* button1 = new QPushButton(this);
    auto* button7 = new QPushButton(this);
    auto* button2 = new QPushButton(this);
    button1->setObjectName("button1");
    button7->setObjectName("button7");
    button2->setObjectName("button2");
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(button1);
    buttonRow->addWidget(button7);
    buttonRow->addWidget(button2);
    buttonRow->addStretch();
    layout->addLayout(buttonRow);
    arrangeButtons(button1, button7, button2);

    const bool yesNo = yesNoAnswers(style_);
    connect(button1, &QPushButton::clicked, this,
            [this, yesNo] { finish(yesNo ? answer::kYes : answer::kOk); });
    connect(button7, &QPushButton::clicked, this, [this] { finish(answer::kNo); });
    connect(button2, &QPushButton::clicked, this,
            [this, yesNo] { finish(yesNo ? answer::kNo : answer::kCancel); });

    PlayMessageSound(style_);
    if ((style_ & style::kAutoAnswer) != 0) {
        // Queued like a button press, so that a press already on its way wins.
        QTimer::singleShot(std::chrono::milliseconds(autoAnswerDelayMs.load()), button1,
                           &QPushButton::click);
    }
}

void MessageDialogWindow::arrangeButtons(QPushButton* button1, QPushButton* button7,
                                         QPushButton* button2) {
    const int set = buttonSet(style_);
    const QStringList texts = buttonTexts(set);
    auto use = [](QPushButton* button, const QString& text) {
        button->setText(text);
        button->setVisible(true);
        button->setEnabled(true);
    };
    auto drop = [](QPushButton* button) {
        button->setVisible(false);
        button->setEnabled(false);
    };
    QPushButton* defaultButton = button1;
    if (set == style::kYesNoCancel) {
        use(button1, texts.value(0));
        use(button7, texts.value(1));
        use(button2, texts.value(2));
        if ((style_ & style::kSecondDefault) != 0) {
            defaultButton = button7;
        } else if ((style_ & style::kThirdDefault) != 0) {
            defaultButton = button2;
        }
    } else if (set == style::kOkCancel || set == style::kYesNo) {
        use(button1, texts.value(0));
        drop(button7);
        use(button2, texts.value(1));
        if ((style_ & style::kSecondDefault) != 0) {
            defaultButton = button2;
        }
    } else {
        // A guide keeps its second button: either one dismisses it.
        use(button1, texts.value(0));
        drop(button7);
        if (kind_ == Kind::Guide) {
            use(button2, texts.value(1));
        } else {
            drop(button2);
        }
    }
    for (QPushButton* button : {button1, button7, button2}) {
        button->setAutoDefault(false);
        button->setDefault(button == defaultButton);
    }
    defaultButton->setFocus();
}

int MessageDialogWindow::closeResult() const {
    return yesNoAnswers(style_) ? answer::kNo : answer::kCancel;
}

void MessageDialogWindow::finish(int buttonResult) {
    if (kind_ == Kind::Guide) {
        done(guideCheck_->isChecked() ? 1 : 0);
        return;
    }
    done(buttonResult);
}

void MessageDialogWindow::reject() {
    finish(closeResult());
}

}  // namespace kel::diag
