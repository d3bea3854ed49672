// The server's hidden text controls: the line store that holds a request's
// text and then its reply lines, and the decimal conversion of its lines.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kel::server {

class LineStore {
public:
    // Replaces the whole content; lines end at CR LF, CR or LF, and a final
    // line break does not start another line.
    void SetText(std::string_view text);
    void Clear() { lines_.clear(); }
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    void Add(std::int64_t value) { lines_.push_back(std::to_string(value)); }

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::vector<std::string>& Lines() const { return lines_; }
    // Line i, or an empty text past the end (as a text control answers).
    std::string_view Line(int i) const;
    // Every line followed by CR LF.
    std::string Text() const;

private:
    std::vector<std::string> lines_;
};

// A request line that is not a decimal integer.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decimal integer with an optional sign and surrounding blanks; anything
// else (an empty line included) is not a number.
std::optional<std::int32_t> ParseDecimal(std::string_view text);

// Line i of `store` as a number; throws ConversionError naming the line.
std::int32_t LineValue(const LineStore& store, int i);

}  // namespace kel::server
