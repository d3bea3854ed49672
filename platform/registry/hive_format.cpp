#include "hive_format.h"

#include "platform/profile/ascii_case.h"

#include <charconv>
#include <set>
#include <utility>
#include <vector>

#include "platform/base/hex_digit.h"

namespace kel::registry {
namespace {

constexpr std::string_view kMagic = "kel-registry 1";
constexpr std::string_view kHexDigits = "0123456789abcdef";

bool isComment(std::string_view line) {
    std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '#';
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    out += "\\x";
                    out += kHexDigits[byte >> 4];
                    out += kHexDigits[byte & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

struct Token {
    bool quoted = false;
    std::string text;
};

// Splits a line into blank-separated words and quoted texts; false with
// `problem` set when a quote or an escape is broken.
bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& problem) {
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        if (i == line.size()) {
            return true;
        }
        Token token;
        if (line[i] != '"') {
            std::size_t end = line.find_first_of(" \t\"", i);
            end = end == std::string_view::npos ? line.size() : end;
            token.text = std::string(line.substr(i, end - i));
            i = end;
            tokens.push_back(std::move(token));
            continue;
        }
        token.quoted = true;
        ++i;
        while (true) {
            if (i == line.size()) {
                problem = "unterminated quoted text";
                return false;
            }
            char c = line[i++];
            if (c == '"') {
                break;
            }
            if (c != '\\') {
                token.text += c;
                continue;
            }
            if (i == line.size()) {
                problem = "'\\' at the end of the line";
                return false;
            }
            char e = line[i++];
            switch (e) {
                case '"':
                case '\\':
                    token.text += e;
                    break;
                case 't':
                    token.text += '\t';
                    break;
                case 'n':
                    token.text += '\n';
                    break;
                case 'r':
                    token.text += '\r';
                    break;
                case 'x': {
                    int high = i < line.size() ? HexDigitValue(line[i]) : -1;
                    int low = i + 1 < line.size() ? HexDigitValue(line[i + 1]) : -1;
                    if (high < 0 || low < 0) {
                        problem = "'\\x' without two hexadecimal digits";
                        return false;
                    }
                    token.text += static_cast<char>(high * 16 + low);
                    i += 2;
                    break;
                }
                default:
                    problem = std::string("unknown escape '\\") + e + "'";
                    return false;
            }
        }
        if (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            problem = "no blank after quoted text";
            return false;
        }
        tokens.push_back(std::move(token));
    }
}

std::optional<Value> parseData(const std::string& type, const Token& data, std::string& problem) {
    if (type == "dword") {
        std::uint32_t number = 0;
        const char* end = data.text.data() + data.text.size();
        auto [stop, ec] = std::from_chars(data.text.data(), end, number);
        if (data.quoted || data.text.empty() || ec != std::errc() || stop != end) {
            problem = "dword data is not a number 0..4294967295";
            return std::nullopt;
        }
        return Value(number);
    }
    if (!data.quoted) {
        problem = "value data must be quoted";
        return std::nullopt;
    }
    if (data.text.size() > 2 * kMaxValueBytes) {
        problem = "value larger than the store keeps";
        return std::nullopt;
    }
    if (type == "string") {
        return Value(data.text);
    }
    if (type != "binary") {
        problem = "unknown value type '" + type + "'";
        return std::nullopt;
    }
    if (data.text.size() % 2 != 0) {
        problem = "binary data with an odd number of hexadecimal digits";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(data.text.size() / 2);
    for (std::size_t i = 0; i < data.text.size(); i += 2) {
        int high = HexDigitValue(data.text[i]);
        int low = HexDigitValue(data.text[i + 1]);
        if (high < 0 || low < 0) {
            problem = "binary data with a non-hexadecimal digit";
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return Value(std::move(bytes));
}

// Where the parser stands: the key opened last, and every value seen so far
// as (caseless key path, caseless value name), to find a value given twice
// without a search through the key for every line.
struct ParseState {
    KeyNode root;
    KeyNode* current = nullptr;
    std::string currentPath;
    std::set<std::pair<std::string, std::string>> seenValues;
};

// Applies one line to the tree.
bool applyLine(const std::vector<Token>& tokens, ParseState& state, std::string& problem) {
    const Token& keyword = tokens.front();
    if (!keyword.quoted && keyword.text == "key") {
        std::vector<std::string> path;
        for (std::size_t i = 1; i < tokens.size(); ++i) {
            if (!tokens[i].quoted || !isValidKeyName(tokens[i].text)) {
                problem = "key name that is not quoted, empty, too long or holds '\\'";
                return false;
            }
            path.push_back(tokens[i].text);
        }
        if (path.size() > kMaxKeyDepth) {
            problem = "key path deeper than the store keeps";
            return false;
        }
        state.current = &createKey(state.root, path);
        state.currentPath.clear();
        for (const std::string& name : path) {
            state.currentPath += profile::foldCase(name) + "\\";
        }
        return true;
    }
    if (keyword.quoted || keyword.text != "value") {
        problem = "line is neither 'key' nor 'value'";
        return false;
    }
    if (tokens.size() != 4 || !tokens[1].quoted || tokens[2].quoted) {
        problem = "value line is not: value \"name\" type data";
        return false;
    }
    if (!state.current) {
        problem = "value before the first key line";
        return false;
    }
    const std::string& name = tokens[1].text;
    if (name.size() > kMaxValueNameBytes) {
        problem = "value name longer than the store keeps";
        return false;
    }
    if (!state.seenValues.emplace(state.currentPath, profile::foldCase(name)).second) {
        problem = "value \"" + name + "\" given twice for one key";
        return false;
    }
    std::optional<Value> value = parseData(tokens[2].text, tokens[3], problem);
    if (!value) {
        return false;
    }
    if (valueSize(*value) > kMaxValueBytes) {
        problem = "value larger than the store keeps";
        return false;
    }
    state.current->values.push_back(NamedValue{name, std::move(*value)});
    return true;
}

void appendKey(std::string& out, const KeyNode& key, std::vector<const std::string*>& path) {
    if (!path.empty() || !key.values.empty()) {
        out += "key";
        for (const std::string* name : path) {
            out += ' ';
            appendQuoted(out, *name);
        }
        out += '\n';
    }
    for (const NamedValue& value : key.values) {
        out += "value ";
        appendQuoted(out, value.name);
        if (const auto* number = std::get_if<std::uint32_t>(&value.value)) {
            out += " dword " + std::to_string(*number);
        } else if (const auto* text = std::get_if<std::string>(&value.value)) {
            out += " string ";
            appendQuoted(out, *text);
        } else {
            out += " binary \"";
            for (std::uint8_t byte : std::get<std::vector<std::uint8_t>>(value.value)) {
                out += kHexDigits[byte >> 4];
                out += kHexDigits[byte & 0xF];
            }
            out += '"';
        }
        out += '\n';
    }
    for (const KeyNode& subkey : key.subkeys) {
        path.push_back(&subkey.name);
        appendKey(out, subkey, path);
        path.pop_back();
    }
}

}  // namespace

std::optional<KeyNode> parseHive(std::string_view text, FormatError& error) {
    ParseState state;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        ++lineNumber;
        std::string problem;
        std::vector<Token> tokens;
        if (lineNumber == 1) {
            if (line != kMagic) {
                problem = "first line is not '" + std::string(kMagic) + "'";
            }
        } else if (isComment(line)) {
            continue;
        } else if (tokenize(line, tokens, problem) && !tokens.empty()) {
            applyLine(tokens, state, problem);
        }
        if (!problem.empty()) {
            error = FormatError{lineNumber, std::move(problem)};
            return std::nullopt;
        }
    }
    return std::move(state.root);
}

std::string serializeHive(const KeyNode& root) {
    std::string out(kMagic);
    out += '\n';
    std::vector<const std::string*> path;
    appendKey(out, root, path);
    return out;
}

}  // namespace kel::registry
