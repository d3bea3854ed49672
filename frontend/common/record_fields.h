// Field types of the fixed-layout records the client keeps: every field sits at
// a fixed byte offset, so the types have byte alignment and hold their bytes
// themselves instead of relying on a packed struct.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::frontend {

// A 32-bit signed value at any offset, kept little-endian.
class Int32Field {
public:
    Int32Field() = default;
    Int32Field(std::int32_t value) { *this = value; }

    Int32Field& operator=(std::int32_t value) {
        auto bits = static_cast<std::uint32_t>(value);
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            bytes_[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
        return *this;
    }
    operator std::int32_t() const {
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            bits |= std::uint32_t{bytes_[i]} << (8 * i);
        }
        return static_cast<std::int32_t>(bits);
    }

private:
    std::array<std::uint8_t, 4> bytes_{};
};

// A length byte followed by room for `Capacity` characters; longer texts are
// cut to the capacity when assigned.
template <std::size_t Capacity>
class ShortString {
    static_assert(Capacity <= 255, "the length must fit its byte");

public:
    ShortString& operator=(std::string_view text) {
        std::size_t length = std::min(text.size(), Capacity);
        std::copy_n(text.begin(), length, chars_.begin());
        std::fill(chars_.begin() + static_cast<std::ptrdiff_t>(length), chars_.end(), '\0');
        length_ = static_cast<std::uint8_t>(length);
        return *this;
    }
    std::string str() const {
        return std::string(chars_.data(), std::min<std::size_t>(length_, Capacity));
    }
    std::size_t length() const { return length_; }

private:
    std::uint8_t length_ = 0;
    std::array<char, Capacity> chars_{};
};

}  // namespace kel::frontend
