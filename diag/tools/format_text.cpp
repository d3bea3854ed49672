#include "diag/tools/format_text.h"

#include <algorithm>

namespace kel::diag {
namespace {

// What an argument that does not fit its conversion prints as.
constexpr std::string_view kMismatch = "(?)";

struct FieldFormat {
    bool leftAlign = false;
    bool zeroPad = false;
    std::size_t width = 0;
    std::size_t precision = 0;
    bool hasPrecision = false;
    char conversion = 0;
};

// Appends up to the byte limit and remembers whether anything was cut.
class BoundedOut {
public:
    explicit BoundedOut(std::size_t limit) : limit_(limit) {}

    void append(std::string_view text) {
        const std::size_t room = limit_ - text_.size();
        if (text.size() > room) {
            cut_ = true;
            text = text.substr(0, room);
        }
        text_ += text;
    }
    void appendRepeated(char c, std::size_t count) {
        const std::size_t room = limit_ - text_.size();
        if (count > room) {
            cut_ = true;
            count = room;
        }
        text_.append(count, c);
    }
    bool full() const { return text_.size() >= limit_; }

    std::string finish() && {
        if (cut_) {
            dropBrokenUtf8Tail();
        }
        return std::move(text_);
    }

private:
    // A cut may split a multi-byte character; its remains are dropped.
    void dropBrokenUtf8Tail() {
        std::size_t start = text_.size();
        while (start > 0 && (static_cast<unsigned char>(text_[start - 1]) & 0xC0) == 0x80) {
            --start;
        }
        if (start == 0) {
            return;
        }
        const auto lead = static_cast<unsigned char>(text_[start - 1]);
        std::size_t needed = 1;
        if ((lead & 0xE0) == 0xC0) {
            needed = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            needed = 3;
        } else if ((lead & 0xF8) == 0xF0) {
            needed = 4;
        }
        if (text_.size() - (start - 1) < needed) {
            text_.resize(start - 1);
        }
    }

    std::size_t limit_;
    std::string text_;
    bool cut_ = false;
};

std::string digits(std::uint64_t number, unsigned base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), set[number % base]);
        number /= base;
    } while (number != 0);
    return text;
}

// Pads `body` (after an optional sign) to the field width.
void emitField(BoundedOut& out, const FieldFormat& fieldFormat, std::string_view sign,
               std::string_view body, bool numeric) {
    const std::size_t length = sign.size() + body.size();
    const std::size_t pad = fieldFormat.width > length ? fieldFormat.width - length : 0;
    if (fieldFormat.leftAlign) {
        out.append(sign);
        out.append(body);
        out.appendRepeated(' ', pad);
    } else if (fieldFormat.zeroPad && numeric) {
        out.append(sign);
        out.appendRepeated('0', pad);
        out.append(body);
    } else {
        out.appendRepeated(' ', pad);
        out.append(sign);
        out.append(body);
    }
}

// The 32-bit view that the dialect gives a negative number under %u and %x;
// numbers beyond 32 bits keep all their bits.
std::uint64_t asUnsigned(std::int64_t number) {
    if (number < 0 && number >= INT32_MIN) {
        return static_cast<std::uint32_t>(number);
    }
    return static_cast<std::uint64_t>(number);
}

void emitInteger(BoundedOut& out, const FieldFormat& fieldFormat, const FormatArg& arg) {
    const auto& value = arg.value();
    std::string sign;
    std::string body;
    if (const auto* pointer = std::get_if<const void*>(&value)) {
        if (fieldFormat.conversion != 'x' && fieldFormat.conversion != 'X' &&
            fieldFormat.conversion != 'p') {
            emitField(out, fieldFormat, "", kMismatch, false);
            return;
        }
        body =
            digits(reinterpret_cast<std::uintptr_t>(*pointer), 16, fieldFormat.conversion == 'X');
        body.insert(0, sizeof(void*) * 2 - body.size(), '0');
        emitField(out, fieldFormat, "", body, true);
        return;
    }
    if (std::holds_alternative<std::string_view>(value)) {
        emitField(out, fieldFormat, "", kMismatch, false);
        return;
    }
    const bool isSigned = std::holds_alternative<std::int64_t>(value);
    const std::int64_t signedValue = isSigned ? std::get<std::int64_t>(value) : 0;
    const std::uint64_t unsignedValue =
        isSigned ? asUnsigned(signedValue) : std::get<std::uint64_t>(value);
    switch (fieldFormat.conversion) {
        case 'd':
        case 'i':
            if (isSigned && signedValue < 0) {
                sign = "-";
                body = digits(0 - static_cast<std::uint64_t>(signedValue), 10, false);
            } else {
                body = digits(isSigned ? static_cast<std::uint64_t>(signedValue) : unsignedValue,
                              10, false);
            }
            break;
        case 'u':
            body = digits(unsignedValue, 10, false);
            break;
        case 'p':
            body = digits(unsignedValue, 16, false);
            body.insert(0, sizeof(void*) * 2 - std::min(body.size(), sizeof(void*) * 2), '0');
            break;
        default:  // x, X
            body = digits(unsignedValue, 16, fieldFormat.conversion == 'X');
            break;
    }
    if (fieldFormat.hasPrecision && body.size() < fieldFormat.precision) {
        body.insert(0, fieldFormat.precision - body.size(), '0');
    }
    emitField(out, fieldFormat, sign, body, !fieldFormat.hasPrecision);
}

void emitText(BoundedOut& out, const FieldFormat& fieldFormat, const FormatArg& arg) {
    const auto* text = std::get_if<std::string_view>(&arg.value());
    if (text == nullptr) {
        emitField(out, fieldFormat, "", kMismatch, false);
        return;
    }
    std::string_view shown = *text;
    if (fieldFormat.hasPrecision && shown.size() > fieldFormat.precision) {
        shown = shown.substr(0, fieldFormat.precision);
    }
    emitField(out, fieldFormat, "", shown, false);
}

void emitCharacter(BoundedOut& out, const FieldFormat& fieldFormat, const FormatArg& arg) {
    const auto& value = arg.value();
    char c = 0;
    if (const auto* s = std::get_if<std::int64_t>(&value)) {
        c = static_cast<char>(*s);
    } else if (const auto* u = std::get_if<std::uint64_t>(&value)) {
        c = static_cast<char>(*u);
    } else {
        emitField(out, fieldFormat, "", kMismatch, false);
        return;
    }
    emitField(out, fieldFormat, "", std::string_view(&c, 1), false);
}

// Reads a number of digits, saturating far above any sensible field width.
std::size_t readNumber(std::string_view format, std::size_t& at) {
    std::size_t number = 0;
    while (at < format.size() && format[at] >= '0' && format[at] <= '9') {
        number = std::min<std::size_t>(number * 10 + (format[at] - '0'), 100000);
        ++at;
    }
    return number;
}

}  // namespace

std::string FormatText(std::string_view format, std::span<const FormatArg> args,
                       std::size_t maxBytes) {
    BoundedOut out(maxBytes);
    std::size_t nextArg = 0;
    std::size_t at = 0;
    while (at < format.size() && !out.full()) {
        const std::size_t percent = format.find('%', at);
        out.append(format.substr(at, percent - at));
        if (percent == std::string_view::npos) {
            break;
        }
        const std::size_t specStart = percent;
        at = percent + 1;
        FieldFormat fieldFormat;
        for (; at < format.size(); ++at) {
            if (format[at] == '-') {
                fieldFormat.leftAlign = true;
            } else if (format[at] == '0') {
                fieldFormat.zeroPad = true;
            } else if (format[at] != '#' && format[at] != '+' && format[at] != ' ') {
                break;
            }
        }
        fieldFormat.width = readNumber(format, at);
        if (at < format.size() && format[at] == '.') {
            ++at;
            fieldFormat.hasPrecision = true;
            fieldFormat.precision = readNumber(format, at);
        }
        while (at < format.size() &&
               (format[at] == 'l' || format[at] == 'h' || format[at] == 'z')) {
            ++at;
        }
        if (at >= format.size()) {
            out.append(format.substr(specStart));
            break;
        }
        fieldFormat.conversion = format[at++];
        if (fieldFormat.conversion == '%') {
            out.append("%");
            continue;
        }
        if (std::string_view("diuxXpsc").find(fieldFormat.conversion) == std::string_view::npos) {
            // Not a conversion of the dialect: shown as written.
            out.append(format.substr(specStart, at - specStart));
            continue;
        }
        if (nextArg >= args.size()) {
            emitField(out, fieldFormat, "", kMismatch, false);
            continue;
        }
        const FormatArg& arg = args[nextArg++];
        if (fieldFormat.conversion == 's') {
            emitText(out, fieldFormat, arg);
        } else if (fieldFormat.conversion == 'c') {
            emitCharacter(out, fieldFormat, arg);
        } else {
            emitInteger(out, fieldFormat, arg);
        }
    }
    return std::move(out).finish();
}

}  // namespace kel::diag
