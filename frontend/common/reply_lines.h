// The lines of a text reply and their decimal values.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kel::frontend {

// Splits at CR LF, CR or LF; a line break at the end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// A 32-bit decimal integer with an optional sign and nothing else around it.
std::optional<std::int32_t> DecimalValue(std::string_view text);

// A line that a parse needed and that is missing or not a number.
class BadReplyLine : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a reply's lines by index; every access is checked.
class ReplyLines {
public:
    explicit ReplyLines(const std::vector<std::string>& lines) : lines_(lines) {}

    std::size_t count() const { return lines_.size(); }
    // Throws BadReplyLine for a missing line or one that is not a number.
    std::int32_t value(std::size_t index) const;
    // Throws BadReplyLine for a missing line.
    const std::string& text(std::size_t index) const;

private:
    const std::vector<std::string>& lines_;
};

}  // namespace kel::frontend
