#include "ini_document.h"

#include "ascii_case.h"

namespace kel::profile {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trim(std::string_view text) {
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

bool isWrappedInQuotes(std::string_view text) {
    return text.size() >= 2 && isQuote(text.front()) && text.front() == text.back();
}

std::string_view unquote(std::string_view value) {
    return isWrappedInQuotes(value) ? value.substr(1, value.size() - 2) : value;
}

// The value as a line must hold it so that reading it back gives it again.
std::string quoteIfNeeded(std::string_view value) {
    if (value.empty()) {
        return {};
    }
    bool padded = kBlanks.find(value.front()) != std::string_view::npos ||
                  kBlanks.find(value.back()) != std::string_view::npos;
    if (padded || isWrappedInQuotes(value)) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

IniDocument IniDocument::parse(std::string_view text, const MalformedLine& onMalformed) {
    IniDocument doc;
    if (text.starts_with(kByteOrderMark)) {
        doc.byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    if (text.empty()) {
        return doc;  // an empty file holds no line at all
    }
    std::size_t firstBreak = text.find('\n');
    if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') {
        doc.newline_ = "\r\n";
    }
    bool inSection = false;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        Line line;
        if (end != std::string_view::npos) {
            bool crlf = raw.ends_with('\r');
            raw.remove_suffix(crlf ? 1 : 0);
            line.ending = crlf ? "\r\n" : "\n";
        }
        text.remove_prefix(raw.size() + line.ending.size());
        ++lineNumber;
        line.text = std::string(raw);
        std::string_view body = trim(raw);
        std::string_view problem;
        if (body.empty()) {
            line.kind = Kind::Blank;
        } else if (body.front() == ';' || body.front() == '#') {
            line.kind = Kind::Comment;
        } else if (body.front() == '[') {
            std::size_t close = body.find(']');
            std::string_view name = close == std::string_view::npos
                                        ? std::string_view()
                                        : trim(body.substr(1, close - 1));
            if (close == std::string_view::npos) {
                problem = "section header without ']'";
            } else if (name.empty()) {
                problem = "section header without a name";
            } else {
                line.kind = Kind::Section;
                line.name = std::string(name);
                inSection = true;
            }
        } else if (!inSection) {
            problem = "line before the first section header";
        } else if (std::size_t eq = body.find('='); eq == std::string_view::npos) {
            problem = "no '=' in entry";
        } else if (trim(body.substr(0, eq)).empty()) {
            problem = "no key before '='";
        } else {
            line.kind = Kind::Entry;
            line.name = std::string(trim(body.substr(0, eq)));
            line.value = std::string(unquote(trim(body.substr(eq + 1))));
        }
        if (!problem.empty()) {
            line.kind = Kind::Malformed;
            onMalformed(lineNumber, problem);
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::string IniDocument::serialize() const {
    std::string text = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    for (const Line& line : lines_) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

void IniDocument::insertLine(std::size_t at, Line line) {
    line.ending = newline_;
    // Only the last line can lack a line end, and it is no longer last.
    if (at > 0 && lines_[at - 1].ending.empty()) {
        lines_[at - 1].ending = newline_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniDocument::forEachLineOf(std::string_view section,
                                const std::function<void(std::size_t)>& visit) const {
    bool inside = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section) {
            inside = equalsIgnoringCase(lines_[i].name, section);
        }
        if (inside) {
            visit(i);
        }
    }
}

std::optional<std::size_t> IniDocument::findEntry(std::string_view section,
                                                  std::string_view key) const {
    std::optional<std::size_t> found;
    forEachLineOf(section, [&](std::size_t i) {
        if (!found && lines_[i].kind == Kind::Entry && equalsIgnoringCase(lines_[i].name, key)) {
            found = i;
        }
    });
    return found;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    std::optional<std::size_t> at = findEntry(section, key);
    return at ? std::optional<std::string>(lines_[*at].value) : std::nullopt;
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_) {
        if (line.kind != Kind::Section) {
            continue;
        }
        bool seen = false;
        for (const std::string& name : names) {
            seen = seen || equalsIgnoringCase(name, line.name);
        }
        if (!seen) {
            names.push_back(line.name);
        }
    }
    return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    forEachLineOf(section, [&](std::size_t i) {
        if (lines_[i].kind == Kind::Entry && findEntry(section, lines_[i].name) == i) {
            names.push_back(lines_[i].name);
        }
    });
    return names;
}

bool IniDocument::isValidSectionName(std::string_view section) {
    return !section.empty() && trim(section) == section && !hasLineBreak(section) &&
           section.find(']') == std::string_view::npos;
}

bool IniDocument::isValidKeyName(std::string_view key) {
    return !key.empty() && trim(key) == key && !hasLineBreak(key) &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';' &&
           key.front() != '#';
}

bool IniDocument::isValidValue(std::string_view value) {
    return !hasLineBreak(value);
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
    if (std::optional<std::size_t> at = findEntry(section, key)) {
        Line& line = lines_[*at];
        std::string indent = line.text.substr(0, line.text.find_first_not_of(kBlanks));
        line.text = indent + line.name + "=" + quoteIfNeeded(value);
        line.value = std::string(value);
        return;
    }
    Line entry;
    entry.kind = Kind::Entry;
    entry.text = std::string(key) + "=" + quoteIfNeeded(value);
    entry.name = std::string(key);
    entry.value = std::string(value);
    // After the last entry of the section's first block, so that comments
    // and blank lines that lead into the next section stay where they are.
    std::optional<std::size_t> insertAfter;
    bool inFirstBlock = false;
    bool firstBlockDone = false;
    for (std::size_t i = 0; i < lines_.size() && !firstBlockDone; ++i) {
        if (lines_[i].kind == Kind::Section) {
            bool match = equalsIgnoringCase(lines_[i].name, section);
            firstBlockDone = inFirstBlock && !match;
            if (match && !inFirstBlock) {
                inFirstBlock = true;
                insertAfter = i;
            }
        } else if (inFirstBlock && lines_[i].kind != Kind::Blank &&
                   lines_[i].kind != Kind::Comment) {
            insertAfter = i;
        }
    }
    if (insertAfter) {
        insertLine(*insertAfter + 1, std::move(entry));
        return;
    }
    if (!lines_.empty() && lines_.back().kind != Kind::Blank) {
        insertLine(lines_.size(), Line{});
    }
    Line header;
    header.kind = Kind::Section;
    header.text = "[" + std::string(section) + "]";
    header.name = std::string(section);
    insertLine(lines_.size(), std::move(header));
    insertLine(lines_.size(), std::move(entry));
}

bool IniDocument::eraseKey(std::string_view section, std::string_view key) {
    std::vector<std::size_t> doomed;
    forEachLineOf(section, [&](std::size_t i) {
        if (lines_[i].kind == Kind::Entry && equalsIgnoringCase(lines_[i].name, key)) {
            doomed.push_back(i);
        }
    });
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*it));
    }
    return !doomed.empty();
}

bool IniDocument::eraseSection(std::string_view section) {
    std::vector<std::size_t> doomed;
    forEachLineOf(section, [&](std::size_t i) { doomed.push_back(i); });
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*it));
    }
    return !doomed.empty();
}

}  // namespace kel::profile
