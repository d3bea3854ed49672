#include "diag/fs/hfs/mac_roman.h"

#include <array>

namespace kel::diag::hfs {

namespace {

// Mac OS Roman from 0x80 on, as Apple maps it today (0xDB the euro sign,
// 0xF0 the Apple logo in the private use area).
constexpr std::array<const char*, 128> kHighHalf = {
    "\u00C4", "\u00C5", "\u00C7", "\u00C9", "\u00D1", "\u00D6", "\u00DC", "\u00E1",  // 80
    "\u00E0", "\u00E2", "\u00E4", "\u00E3", "\u00E5", "\u00E7", "\u00E9", "\u00E8",  // 88
    "\u00EA", "\u00EB", "\u00ED", "\u00EC", "\u00EE", "\u00EF", "\u00F1", "\u00F3",  // 90
    "\u00F2", "\u00F4", "\u00F6", "\u00F5", "\u00FA", "\u00F9", "\u00FB", "\u00FC",  // 98
    "\u2020", "\u00B0", "\u00A2", "\u00A3", "\u00A7", "\u2022", "\u00B6", "\u00DF",  // A0
    "\u00AE", "\u00A9", "\u2122", "\u00B4", "\u00A8", "\u2260", "\u00C6", "\u00D8",  // A8
    "\u221E", "\u00B1", "\u2264", "\u2265", "\u00A5", "\u00B5", "\u2202", "\u2211",  // B0
    "\u220F", "\u03C0", "\u222B", "\u00AA", "\u00BA", "\u03A9", "\u00E6", "\u00F8",  // B8
    "\u00BF", "\u00A1", "\u00AC", "\u221A", "\u0192", "\u2248", "\u2206", "\u00AB",  // C0
    "\u00BB", "\u2026", "\u00A0", "\u00C0", "\u00C3", "\u00D5", "\u0152", "\u0153",  // C8
    "\u2013", "\u2014", "\u201C", "\u201D", "\u2018", "\u2019", "\u00F7", "\u25CA",  // D0
    "\u00FF", "\u0178", "\u2044", "\u20AC", "\u2039", "\u203A", "\uFB01", "\uFB02",  // D8
    "\u2021", "\u00B7", "\u201A", "\u201E", "\u2030", "\u00C2", "\u00CA", "\u00C1",  // E0
    "\u00CB", "\u00C8", "\u00CD", "\u00CE", "\u00CF", "\u00CC", "\u00D3", "\u00D4",  // E8
    "\uF8FF", "\u00D2", "\u00DA", "\u00DB", "\u00D9", "\u0131", "\u02C6", "\u02DC",  // F0
    "\u00AF", "\u02D8", "\u02D9", "\u02DA", "\u00B8", "\u02DD", "\u02DB", "\u02C7",  // F8
};

}  // namespace

std::string MacRomanToText(std::string_view macRoman) {
    std::string text;
    for (const char c : macRoman) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += kHighHalf[byte - 0x80];
        }
    }
    return text;
}

}  // namespace kel::diag::hfs
