#include "diag/disc/analysis/manufacturer_file.h"

#include <errno.h>

#include <algorithm>

#include "platform/base/paths.h"

namespace kel::diag {
namespace {

// Larger numbers are no second or tens digit of a frame; capping them keeps
// a long row of digits from overflowing.
constexpr int kNumberCap = 100000;

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
// A missing line end after the last row is no fault of the row.
bool endsLine(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool atEnd() const { return at_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[at_]; }
    void advance() {
        if (text_[at_++] == '\n') {
            ++line_;
        }
    }
    void skipTabs() {
        while (peek() == '\t') {
            advance();
        }
    }
    int number() {
        int value = 0;
        while (isDigit(peek())) {
            value = std::min(value * 10 + (peek() - '0'), kNumberCap);
            advance();
        }
        return value;
    }
    std::size_t position() const { return at_; }
    std::string_view slice(std::size_t from) const { return text_.substr(from, at_ - from); }
    int line() const { return line_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    int line_ = 1;
};

ManufacturerLookup malformed(int error, const Cursor& cursor) {
    ManufacturerLookup lookup;
    lookup.result = ManufacturerLookup::Result::Malformed;
    lookup.error = error;
    lookup.lineNumber = cursor.line();
    return lookup;
}

struct PathOverride {
    std::filesystem::path path;
};
PathOverride& pathOverride() {
    static PathOverride state;
    return state;
}

}  // namespace

ManufacturerLookup LookUpManufacturer(std::string_view text, LeadInTime time) {
    Cursor cursor(text);
    for (;;) {
        while (!cursor.atEnd() && !isLetter(cursor.peek())) {
            cursor.advance();
        }
        if (cursor.atEnd()) {
            return {};
        }
        const std::size_t nameStart = cursor.position();
        while (cursor.peek() != '\t' && !endsLine(cursor.peek())) {
            cursor.advance();
        }
        if (cursor.peek() != '\t') {
            return malformed(1, cursor);
        }
        const std::string_view name = cursor.slice(nameStart);
        cursor.skipTabs();
        if (!isDigit(cursor.peek())) {
            return malformed(2, cursor);
        }
        while (isDigit(cursor.peek())) {
            const int seconds = cursor.number();
            if (cursor.peek() != '.') {
                return malformed(3, cursor);
            }
            cursor.advance();
            const int tens = cursor.number();
            if (cursor.peek() != '\t' && !endsLine(cursor.peek())) {
                return malformed(4, cursor);
            }
            if (seconds == time.seconds && tens == time.frame / 10) {
                ManufacturerLookup lookup;
                lookup.result = ManufacturerLookup::Result::Found;
                lookup.name = std::string(name);
                return lookup;
            }
            cursor.skipTabs();
        }
    }
}

std::filesystem::path ManufacturerFilePath() {
    if (!pathOverride().path.empty()) {
        return pathOverride().path;
    }
    // The C library keeps the name the program was started under.
    std::filesystem::path name(program_invocation_short_name);
    name.replace_extension("mandb");
    return paths::programDir() / name;
}

void SetManufacturerFilePath(const std::filesystem::path& path) {
    pathOverride().path = path;
}

}  // namespace kel::diag
