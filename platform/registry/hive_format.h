// The text file that holds one registry root.
//
//   kel-registry 1
//   # a comment; blank lines are ignored too
//   key "Software" "Kelvane" "MORVALE"
//   value "UseASPIOnly" dword 0
//   value "LastDrive" string "D:"
//   value "Columns" binary "0a1bff"
//   key "Software" "Kelvane" "MORVALE" "ErrorSum"
//
// The first line names the format and its version. A "key" line opens a key
// by its path from the root, one quoted name per level (no name at all is the
// root itself); keys on the way that have no line of their own exist too. Each
// "value" line belongs to the key opened last and gives its quoted name
// ("" is the key's default value), its type and its data:
//   dword    a decimal number 0..4294967295
//   string   quoted text
//   binary   quoted hexadecimal digits, two per byte
// Inside quotes every byte stands for itself except '"', '\' and control
// bytes, which are written \" \\ \t \n \r or \xHH. Lines end with LF (a CR
// before it is ignored). A key's value may appear only once.
//
// The writer puts every key on a line of its own, subkeys in the order the
// hive keeps them, so that an empty key survives a rewrite.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "hive.h"

namespace kel::registry {

struct FormatError {
    std::size_t line = 0;  // counted from 1
    std::string message;
};

// The root key of the file's tree; nullopt, with `error` filled, when any
// line breaks the format or a limit of hive.h. An empty text is an empty root.
std::optional<KeyNode> parseHive(std::string_view text, FormatError& error);

std::string serializeHive(const KeyNode& root);

}  // namespace kel::registry
