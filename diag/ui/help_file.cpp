#include "diag/ui/help_file.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <array>
#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "diag/ui/help_window.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

std::filesystem::path& namedHelpFile() {
    static std::filesystem::path file;
    return file;
}

QPointer<HelpWindow>& helpWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

QPointer<QLabel>& helpPopup() {
    static QPointer<QLabel> popup;
    return popup;
}

// The document with topic `context`, or nothing after the message that says
// what is wrong with which file.
std::optional<HelpDocument> documentWith(int context) {
    HelpParse parse = ReadProgramHelp();
    const std::string file = ProgramHelpFile().string();
    if (!parse.document) {
        ShowMessage(9073, file, parse.error);
        return std::nullopt;
    }
    if (parse.document->Find(context) == nullptr) {
        ShowMessage(9075, context, file);
        return std::nullopt;
    }
    return std::move(parse.document);
}

}  // namespace

std::filesystem::path HelpFilePath(std::string_view programFile) {
    std::filesystem::path path(programFile);
    if (!path.has_filename()) {
        return path.parent_path() / "MORVALE.hlp";
    }
    path.replace_extension("hlp");
    return path;
}

std::filesystem::path ProgramHelpFile() {
    if (!namedHelpFile().empty()) {
        return namedHelpFile();
    }
    return HelpFilePath(QCoreApplication::applicationFilePath().toStdString());
}

void SetHelpFilePath(const std::filesystem::path& file) {
    namedHelpFile() = file;
}

HelpParse ReadProgramHelp() {
    const std::filesystem::path file = ProgramHelpFile();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {std::nullopt, std::error_code(errno, std::system_category()).message()};
    }
    // Reading stops one chunk past the largest document: the parser refuses it.
    std::string text;
    std::array<char, 1 << 16> chunk;
    while (text.size() <= kMaxHelpDocument &&
           (in.read(chunk.data(), chunk.size()) || in.gcount() > 0)) {
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return {std::nullopt, "the file could not be read"};
    }
    return ParseHelpDocument(text);
}

void OpenProgramHelp(int context) {
    std::optional<HelpDocument> document = documentWith(context);
    if (!document) {
        return;
    }
    QPointer<HelpWindow>& window = helpWindow();
    delete window.data();
    // Beside a modal dialog only a window of its own is reachable.
    window = new HelpWindow(QApplication::activeModalWidget(), std::move(*document));
    window->showTopic(context);
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowPopupHelp(int context, QPoint at) {
    const std::optional<HelpDocument> document = documentWith(context);
    if (!document) {
        return;
    }
    delete helpPopup().data();
    // Beside a modal dialog, and gone with it.
    auto* popup = new QLabel(QApplication::activeModalWidget(), Qt::Popup);
    helpPopup() = popup;
    popup->setObjectName("helpPopup");
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setTextFormat(Qt::RichText);
    popup->setWordWrap(true);
    popup->setFrameShape(QFrame::Box);
    popup->setMargin(6);
    popup->setFixedWidth(380);
    popup->setText(QString::fromStdString(HelpTopicHtml(*document, *document->Find(context))));
    popup->adjustSize();
    QPoint topLeft(at.x() - popup->width() / 2, at.y());
    if (const QScreen* screen = QApplication::screenAt(at)) {
        const QRect room = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), room.left(),
                                std::max(room.left(), room.right() - popup->width())));
        topLeft.setY(std::clamp(topLeft.y(), room.top(),
                                std::max(room.top(), room.bottom() - popup->height())));
    }
    popup->move(topLeft);
    popup->show();
}

void CloseProgramHelp() {
    delete helpPopup().data();
    delete helpWindow().data();
}

}  // namespace kel::diag
