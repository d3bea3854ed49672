// The program's message dialog, shared by messages and guides: sized to its
// text, buttons, icon and default button chosen by the style word, an
// optional answer by itself after 20 seconds, and in a guide a check box
// whose state is the answer.
//
// Its buttons carry the object names "button1", "button7" and "button2" (the
// first, middle and last position) and the guide's check box "guideCheck",
// so that tests find them.
#pragma once

#include <QDialog>
#include <chrono>
#include <cstdint>

class QCheckBox;
class QPushButton;

namespace kel::diag {

// How long a message with the auto-answer style waits before pressing its
// first button.
inline constexpr std::chrono::milliseconds kAutoAnswerDelay{20000};

class MessageDialogWindow : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Message, Guide };

    MessageDialogWindow(QWidget* owner, const QString& text, const QString& caption,
                        std::uint32_t styleWord, Kind kind);

    // Tests shorten the auto-answer delay.
    static void setAutoAnswerDelay(std::chrono::milliseconds delay);

    // The close box and Escape: the Cancel position's answer, or in a guide
    // the check box's state.
    void reject() override;

private:
    void finish(int buttonResult);
    int closeResult() const;
    void arrangeButtons(QPushButton* button1, QPushButton* button7, QPushButton* button2);

    std::uint32_t style_;
    Kind kind_;
    QCheckBox* guideCheck_ = nullptr;
};

}  // namespace kel::diag
