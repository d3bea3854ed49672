#include "diag/ui/list_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <string_view>

#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// A TAB pads to the next column the text has not passed yet; beyond the
// last column it is a single blank.
void appendInColumns(std::string& out, std::string_view line, std::span<const int> columns) {
    if (IsRuleLine(line)) {
        line = {};
        out += LoadResString(208);
    } else if (IsBoldLine(line)) {
        line.remove_prefix(1);
    }
    int column = 1;
    std::size_t next = 0;
    for (const char c : line) {
        if (c != '\t') {
            out += c;
            ++column;
            continue;
        }
        while (next < columns.size() && columns[next] < column) {
            ++next;
        }
        if (next == columns.size()) {
            out += ' ';
            ++column;
            continue;
        }
        out.append(static_cast<std::size_t>(columns[next] - column), ' ');
        column = columns[next++];
    }
    out += "\r\n";
}

}  // namespace

std::string ListClipboardText(std::span<const std::string> lines, std::span<const int> columns,
                              int headerId) {
    std::string text;
    const std::string title = LoadResString(135);
    const std::string_view titleView(title);
    for (std::size_t at = 0;;) {
        const std::size_t end = titleView.find('\n', at);
        // The text behind the title's final newline is its last, empty line:
        // it sets the title off from the list.
        appendInColumns(text, titleView.substr(at, end - at), columns);
        if (end == std::string_view::npos) {
            break;
        }
        at = end + 1;
    }
    if (headerId != 0) {
        appendInColumns(text, LoadResString(headerId), columns);
    }
    for (const std::string& line : lines) {
        appendInColumns(text, line, columns);
    }
    return text;
}

void CopyListToClipboard(std::span<const std::string> lines, std::span<const int> columns,
                         int headerId) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(QString::fromStdString(ListClipboardText(lines, columns, headerId)));
    }
}

}  // namespace kel::diag
