// The vocabulary of the registry: its roots, its value types and the outcome
// of every operation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kel::registry {

// The per-user root and the machine-wide root.
enum class Root { CurrentUser, LocalMachine };

// A value is text, a 32-bit number or raw bytes; the alternative held is its
// type.
using Value = std::variant<std::string, std::uint32_t, std::vector<std::uint8_t>>;

enum class Status {
    Ok,
    NotFound,     // no such key or value (or the key was deleted meanwhile)
    EndOfList,    // an enumeration index past the last entry
    InvalidName,  // an empty path segment, a '\' in a key name, a name too long
    TooLarge,     // a value beyond the size the store keeps
    Corrupt,      // the root's file could not be read as a registry file
    IoError,      // the file or its lock could not be read or written
};

std::string_view describe(Status status);

// A value, or the reason there is none.
template <typename T>
class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    // `status` is never Status::Ok here.
    Result(Status status) : state_(status) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }
    Status status() const { return ok() ? Status::Ok : std::get<Status>(state_); }

    const T& value() const& { return std::get<T>(state_); }
    T& value() & { return std::get<T>(state_); }
    T&& value() && { return std::get<T>(std::move(state_)); }

private:
    std::variant<T, Status> state_;
};

}  // namespace kel::registry
