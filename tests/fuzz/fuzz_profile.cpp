// The INI reader over arbitrary bytes: it must not crash, must give back an
// untouched file byte for byte, and must read back what it was told to write.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile/ini_document.h"
#include "platform/profile/lenient_integer.h"

using kel::profile::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::parse(text, [](std::size_t, std::string_view) {});
    if (doc.serialize() != text) {
        std::abort();
    }
    for (const std::string& section : doc.sectionNames()) {
        for (const std::string& key : doc.keyNames(section)) {
            std::optional<std::string> value = doc.value(section, key);
            if (!value) {
                std::abort();
            }
            kel::profile::parseLenientInteger(*value);
        }
    }
    // An edit of the first key (or a new one) must read back exactly.
    std::vector<std::string> sections = doc.sectionNames();
    std::string section = sections.empty() ? "fuzz" : sections.front();
    std::vector<std::string> keys = doc.keyNames(section);
    std::string key = keys.empty() ? "k" : keys.front();
    doc.setValue(section, key, " written ");
    IniDocument again = IniDocument::parse(doc.serialize(), [](std::size_t, std::string_view) {});
    if (again.value(section, key) != " written ") {
        std::abort();
    }
    again.eraseSection(section);
    if (again.value(section, key)) {
        std::abort();
    }
    return 0;
}
