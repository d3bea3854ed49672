#include "command_line.h"

namespace kel::process {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
    return at;
}

}  // namespace

std::vector<std::string> splitArguments(std::string_view text) {
    std::vector<std::string> arguments;
    std::size_t at = skipBlanks(text, 0);
    while (at < text.size()) {
        std::string argument;
        bool quoted = false;
        while (at < text.size() && (quoted || !isBlank(text[at]))) {
            std::size_t slashes = 0;
            while (at < text.size() && text[at] == '\\') {
                ++slashes;
                ++at;
            }
            if (at < text.size() && text[at] == '"') {
                argument.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    argument.push_back('"');
                } else if (quoted && at + 1 < text.size() && text[at + 1] == '"') {
                    argument.push_back('"');
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
                continue;
            }
            argument.append(slashes, '\\');
            if (at < text.size() && (quoted || !isBlank(text[at]))) {
                argument.push_back(text[at]);
                ++at;
            }
        }
        arguments.push_back(std::move(argument));
        at = skipBlanks(text, at);
    }
    return arguments;
}

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::size_t at = skipBlanks(line, 0);
    if (at == line.size()) {
        return {};
    }
    std::string program;
    bool quoted = false;
    for (; at < line.size() && (quoted || !isBlank(line[at])); ++at) {
        if (line[at] == '"') {
            quoted = !quoted;
        } else {
            program.push_back(line[at]);
        }
    }
    std::vector<std::string> tokens{std::move(program)};
    for (std::string& argument : splitArguments(line.substr(at))) {
        tokens.push_back(std::move(argument));
    }
    return tokens;
}

}  // namespace kel::process
