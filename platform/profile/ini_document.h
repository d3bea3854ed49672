// The text of one INI file, held line by line so that a rewrite changes only
// the lines a write touches: other sections, keys, comments, blank lines,
// their order and even lines we cannot read come back out as they went in.
//
// Reading rules (the desktop profile conventions):
//   [Section]          a header; the name is trimmed, text after ']' ignored
//   key = value        key and value trimmed; a value wrapped in a matching
//                      pair of " or ' loses the pair
//   ; or # ...         a comment
// Section and key names compare without regard to ASCII case. A section that
// appears twice is one section; a key that appears twice reads its first
// value. Any other line (no '=', no ']', an entry before the first header) is
// malformed: reported, ignored by reads, kept as it is.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::profile {

class IniDocument {
public:
    using MalformedLine = std::function<void(std::size_t lineNumber, std::string_view reason)>;

    // Line numbers passed to `onMalformed` count from 1.
    static IniDocument parse(std::string_view text, const MalformedLine& onMalformed);

    std::string serialize() const;

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

    // Names and values a line can hold and read back unchanged; the setters
    // below require them.
    static bool isValidSectionName(std::string_view section);
    static bool isValidKeyName(std::string_view key);
    static bool isValidValue(std::string_view value);

    // Changes the key's first line in place, or adds it at the end of the
    // section (the section at the end of the file when it is new).
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    // Each returns whether anything was there to erase.
    bool eraseKey(std::string_view section, std::string_view key);
    bool eraseSection(std::string_view section);

private:
    enum class Kind { Blank, Comment, Section, Entry, Malformed };
    struct Line {
        Kind kind = Kind::Blank;
        std::string text;    // as in the file, without its line end
        std::string name;    // section or key name as written
        std::string value;   // an entry's value, unquoted
        std::string ending;  // "\r\n", "\n", or "" for a last line without one
    };

    // Inserts before index `at`, ending the line like the rest of the file.
    void insertLine(std::size_t at, Line line);

    // Index of the first entry line of `key` in `section`, if any.
    std::optional<std::size_t> findEntry(std::string_view section, std::string_view key) const;
    // Calls `visit(index)` for every line that belongs to `section`, its
    // header lines included.
    void forEachLineOf(std::string_view section,
                       const std::function<void(std::size_t)>& visit) const;

    std::vector<Line> lines_;
    std::string newline_ = "\n";  // for new lines: what the file's first line ends with
    bool byteOrderMark_ = false;
};

}  // namespace kel::profile
