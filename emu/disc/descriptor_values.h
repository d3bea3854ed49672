// The value forms of the descriptor file. Each parser returns the value or
// a message saying what was expected; the caller adds the file and line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "emu/disc/descriptor.h"

namespace kel::emu::descriptor {

struct Problem {
    std::string text;
};

// A decimal LBA on the disc (below the largest lead-out).
std::variant<std::int32_t, Problem> parseLba(std::string_view text);

// A time MM:SS:FF, two digits each, seconds below 60 and frames below 75.
std::variant<sector::Msf, Problem> parseMsf(std::string_view text);

// A sense KEY/ASC/ASCQ in hexadecimal: "5/21/00".
std::variant<std::array<std::uint8_t, 3>, Problem> parseSense(std::string_view text);

// on/off, yes/no, true/false, 1/0 (any case).
std::variant<bool, Problem> parseSwitch(std::string_view text);

// A decimal count from 0 to `max`.
std::variant<int, Problem> parseCount(std::string_view text, int max);

// A byte in hexadecimal, with or without 0x: "0xFF", "be".
std::variant<std::uint8_t, Problem> parseHexByte(std::string_view text);

// Bytes in hexadecimal, separated by commas or blanks; empty is none.
std::variant<std::vector<std::uint8_t>, Problem> parseHexBytes(std::string_view text);

// LBAs and inclusive LBA ranges separated by commas: "1000-1010, 5000";
// empty is none.
std::variant<std::vector<LbaRange>, Problem> parseLbaRanges(std::string_view text);

// Printable ASCII of at most `maxLength` characters (INQUIRY fields, labels).
std::variant<std::string, Problem> parseAscii(std::string_view text, std::size_t maxLength);

// One of `choices`; returns its position.
std::variant<std::size_t, Problem> parseChoice(std::string_view text,
                                               const std::vector<std::string_view>& choices);

}  // namespace kel::emu::descriptor
