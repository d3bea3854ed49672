// Text formatting in the dialect the diagnostic program's strings are written
// in: %d %i %u %x %X %s %c %p and %%, with the flags '-' and '0', a field
// width and a precision (for %s, the most characters taken). The flags '#',
// '+' and ' ' and the size prefixes l, ll, h and z are accepted and ignored:
// every argument arrives with its own type. No floating point.
//
// The arguments are typed values, not a C variable argument list: a format
// that names the wrong kind of argument, or more arguments than were given,
// prints a placeholder instead of reading garbage, and the output never
// exceeds the byte limit given. A FormatArg refers to the text it was made
// from, so it lives only for the call it is passed to.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace kel::diag {

class FormatArg {
public:
    template <std::signed_integral T>
    FormatArg(T number) : value_(static_cast<std::int64_t>(number)) {}
    template <std::unsigned_integral T>
    FormatArg(T number) : value_(static_cast<std::uint64_t>(number)) {}
    FormatArg(char character) : value_(static_cast<std::int64_t>(character)) {}
    FormatArg(bool flag) : value_(static_cast<std::int64_t>(flag)) {}
    // A null text prints as "(null)".
    FormatArg(const char* text) : value_(std::string_view(text ? text : "(null)")) {}
    FormatArg(std::string_view text) : value_(text) {}
    FormatArg(const std::string& text) : value_(std::string_view(text)) {}
    // Printed by %p (and %x) at the full width of a pointer.
    FormatArg(const void* pointer) : value_(pointer) {}

    const std::variant<std::int64_t, std::uint64_t, std::string_view, const void*>& value() const {
        return value_;
    }

private:
    std::variant<std::int64_t, std::uint64_t, std::string_view, const void*> value_;
};

// Formats `format` with `args` into at most `maxBytes` bytes; a longer result
// is cut, never in the middle of a UTF-8 sequence.
std::string FormatText(std::string_view format, std::span<const FormatArg> args,
                       std::size_t maxBytes);

}  // namespace kel::diag
