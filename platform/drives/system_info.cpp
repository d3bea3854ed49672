#include "system_info.h"

#include <sys/utsname.h>

#include <charconv>

namespace kel::drives {
namespace {

// Reads the number at the start of `text` and moves past it and one '.'.
int takeNumber(std::string_view& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc()) {
        text = {};
        return 0;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
    } else {
        text = {};
    }
    return value;
}

}  // namespace

std::string SystemVersion::text() const {
    return name + " " + std::to_string(major) + "." + std::to_string(minor);
}

SystemVersion parseSystemVersion(std::string_view sysname, std::string_view release) {
    SystemVersion version;
    version.name = std::string(sysname);
    version.major = takeNumber(release);
    version.minor = takeNumber(release);
    return version;
}

SystemVersion runningSystem() {
    struct utsname names {};
    if (::uname(&names) != 0) {
        return parseSystemVersion("Linux", "");
    }
    return parseSystemVersion(names.sysname, names.release);
}

}  // namespace kel::drives
