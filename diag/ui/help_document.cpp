#include "diag/ui/help_document.h"

#include <charconv>
#include <limits>

#include <QString>

namespace kel::diag {
namespace {

// Help contexts are 16-bit numbers, as message ids are.
constexpr int kMaxContext = std::numeric_limits<std::uint16_t>::max();

std::string lineError(std::size_t number, std::string_view what) {
    return "line " + std::to_string(number) + ": " + std::string(what);
}

// "@N Title": the number and the title, or nothing.
std::optional<std::pair<int, std::string>> heading(std::string_view line) {
    line.remove_prefix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), number);
    if (error != std::errc() || end == line.data() || number < 0 || number > kMaxContext) {
        return std::nullopt;
    }
    std::string_view title = line.substr(static_cast<std::size_t>(end - line.data()));
    if (title.empty() || title.front() != ' ') {
        return std::nullopt;
    }
    title.remove_prefix(title.find_first_not_of(' ') == std::string_view::npos
                            ? title.size()
                            : title.find_first_not_of(' '));
    if (title.empty()) {
        return std::nullopt;
    }
    return std::make_pair(number, std::string(title));
}

bool blank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

QString escaped(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toHtmlEscaped();
}

// Escapes the text and turns each "[[N]]" into a link named by its target.
QString withLinks(const HelpDocument& document, std::string_view text) {
    QString html;
    for (;;) {
        const std::size_t open = text.find("[[");
        const std::size_t close = open == std::string_view::npos ? open : text.find("]]", open);
        if (close == std::string_view::npos) {
            html += escaped(text);
            return html;
        }
        html += escaped(text.substr(0, open));
        const std::string_view inside = text.substr(open + 2, close - open - 2);
        int target = 0;
        const auto [end, error] =
            std::from_chars(inside.data(), inside.data() + inside.size(), target);
        const HelpTopic* topic = error == std::errc() && end == inside.data() + inside.size()
                                     ? document.Find(target)
                                     : nullptr;
        if (topic != nullptr) {
            html += QString("<a href=\"help:%1\">%2</a>").arg(target).arg(escaped(topic->title));
        } else {
            html += escaped(text.substr(open, close + 2 - open));
        }
        text.remove_prefix(close + 2);
    }
}

}  // namespace

const HelpTopic* HelpDocument::Find(int context) const {
    const auto found = topics.find(context);
    return found != topics.end() ? &found->second : nullptr;
}

HelpParse ParseHelpDocument(std::string_view text) {
    if (text.size() > kMaxHelpDocument) {
        return {std::nullopt,
                "the file is larger than " + std::to_string(kMaxHelpDocument) + " bytes"};
    }
    HelpDocument document;
    HelpTopic* current = nullptr;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.starts_with('#')) {
            continue;
        }
        if (line.starts_with('@')) {
            const auto found = heading(line);
            if (!found) {
                return {std::nullopt, lineError(number, "not a topic heading (\"@number title\")")};
            }
            const auto [slot, added] = document.topics.try_emplace(found->first);
            if (!added) {
                return {std::nullopt,
                        lineError(number, "topic " + std::to_string(found->first) + " again")};
            }
            slot->second.title = found->second;
            current = &slot->second;
            continue;
        }
        if (current == nullptr) {
            if (!blank(line)) {
                return {std::nullopt, lineError(number, "text before the first topic")};
            }
            continue;
        }
        current->text.append(line).push_back('\n');
    }
    if (document.topics.empty()) {
        return {std::nullopt, "the file holds no topic"};
    }
    return {std::move(document), {}};
}

std::string HelpTopicHtml(const HelpDocument& document, const HelpTopic& topic) {
    QString html = "<h3>" + escaped(topic.title) + "</h3>";
    QString paragraph;
    bool inList = false;
    const auto endParagraph = [&] {
        if (!paragraph.isEmpty()) {
            html += "<p>" + paragraph + "</p>";
            paragraph.clear();
        }
    };
    const auto endList = [&] {
        if (inList) {
            html += "</ul>";
            inList = false;
        }
    };
    std::string_view text = topic.text;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (blank(line)) {
            endParagraph();
            endList();
        } else if (line.starts_with("- ")) {
            endParagraph();
            if (!inList) {
                html += "<ul>";
                inList = true;
            }
            html += "<li>" + withLinks(document, line.substr(2)) + "</li>";
        } else {
            endList();
            paragraph += (paragraph.isEmpty() ? "" : " ") + withLinks(document, line);
        }
    }
    endParagraph();
    endList();
    return html.toStdString();
}

}  // namespace kel::diag
