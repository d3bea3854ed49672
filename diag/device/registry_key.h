// The program's settings key: "Software\<company>\<product>" of the current
// user (or "SOFTWARE\<company>\<product>" of the machine for a product
// written with a leading '.'), read and written value by value. Without an
// open key every read gives its default and every write does nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/registry/key.h"

namespace kel::diag {

class RegistryKey {
public:
    // Forgets the remembered company name, so that the next Open reads it
    // from the version information again.
    RegistryKey();

    // The first non-empty product given to any key is remembered for the
    // whole program and used when a later Open gives none; an empty company
    // means the one from the version information.
    bool Open(std::string_view product = {}, std::string_view company = {});
    bool OpenExisting(registry::Root hive, std::string_view path);
    void Close() { key_.reset(); }
    bool isOpen() const { return key_.has_value(); }

    // Strings of at most kMaxStringBytes bytes with their terminating zero.
    std::string ReadString(std::string_view name, std::string_view fallback) const;
    void WriteString(std::string_view name, std::string_view text) const;
    std::uint32_t ReadDword(std::string_view name, std::uint32_t fallback) const;
    bool ReadBool(std::string_view name, bool fallback) const;
    void WriteDword(std::string_view name, std::uint32_t value) const;
    void WriteBool(std::string_view name, bool flag) const;
    // The value's size (also when the buffer is smaller: then the buffer
    // gets what fits); 0 when there is no such binary value.
    std::size_t ReadBinary(std::string_view name, std::span<std::uint8_t> buffer) const;
    // "\name" deletes the subkey "name" first, then the value "name".
    void Delete(std::string_view name) const;
    // The length of the value name at `index` (the name in `name`); 0 past
    // the last one; a negative registry status on other errors.
    int EnumValue(std::size_t index, std::string& name) const;

    static constexpr std::size_t kMaxStringBytes = 513;
    static constexpr std::size_t kMaxRememberedName = 79;

private:
    std::optional<registry::Key> key_;
};

}  // namespace kel::diag
