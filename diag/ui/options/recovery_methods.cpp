#include "diag/ui/options/recovery_methods.h"

#include <cerrno>
#include <cstdlib>

namespace kel::diag {
namespace {

// Decimal, "0x" hexadecimal or leading-0 octal, all of the text, within a
// byte: the value is sent to the drive as its recovery byte.
bool readByte(const std::string& text, int& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || end != text.c_str() + text.size() || number < 0 || number > 0xFF) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

}  // namespace

std::vector<RecoveryMethod> ParseRecoveryMethods(std::string_view list) {
    std::vector<RecoveryMethod> methods;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        const std::string_view entry = list.substr(start, end - start);
        const std::size_t comma = entry.find(',');
        RecoveryMethod method;
        if (comma != std::string_view::npos &&
            readByte(std::string(entry.substr(comma + 1)), method.value)) {
            method.name = std::string(entry.substr(0, comma));
            methods.push_back(std::move(method));
        }
        start = end + 1;
    }
    return methods;
}

}  // namespace kel::diag
