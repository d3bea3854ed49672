#include "reply_lines.h"

#include <charconv>

namespace kel::frontend {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::optional<std::int32_t> DecimalValue(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::int32_t ReplyLines::value(std::size_t index) const {
    std::optional<std::int32_t> number = DecimalValue(text(index));
    if (!number) {
        throw BadReplyLine("line " + std::to_string(index) + " is not a number: \"" +
                           lines_[index].substr(0, 40) + "\"");
    }
    return *number;
}

const std::string& ReplyLines::text(std::size_t index) const {
    if (index >= lines_.size()) {
        throw BadReplyLine("line " + std::to_string(index) + " is missing (the reply has " +
                           std::to_string(lines_.size()) + ")");
    }
    return lines_[index];
}

}  // namespace kel::frontend
