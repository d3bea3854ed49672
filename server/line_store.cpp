#include "line_store.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <string>

namespace kel::server {

void LineStore::SetText(std::string_view text) {
    lines_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.emplace_back(text.substr(start));
            return;
        }
        lines_.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
}

std::string_view LineStore::Line(int i) const {
    if (i < 0 || i >= Count()) {
        return {};
    }
    return lines_[static_cast<std::size_t>(i)];
}

std::string LineStore::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text.append(line).append("\r\n");
    }
    return text;
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() > 1 && text.front() == '+' &&
        std::isdigit(static_cast<unsigned char>(text[1]))) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

namespace {

// Enough of a bad line to recognise it; a peer's megabyte must not reach the
// log whole.
constexpr std::size_t kQuotedLength = 40;

std::string Quoted(std::string_view line) {
    if (line.size() <= kQuotedLength) {
        return "'" + std::string(line) + "'";
    }
    return "'" + std::string(line.substr(0, kQuotedLength)) + "...' (" +
           std::to_string(line.size()) + " characters)";
}

}  // namespace

std::int32_t LineValue(const LineStore& store, int i) {
    std::string_view line = store.Line(i);
    std::optional<std::int32_t> value = ParseDecimal(line);
    if (!value) {
        throw ConversionError(Quoted(line) + " is not a valid integer value (line " +
                              std::to_string(i) + ")");
    }
    return *value;
}

}  // namespace kel::server
