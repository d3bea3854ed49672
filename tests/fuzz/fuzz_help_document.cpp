// The help file as any text: a document comes back only with topics whose
// numbers fit a help context, and every topic turns into rich text whose
// links name topics that exist.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diag/ui/help_document.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const HelpParse parse = ParseHelpDocument(text);
    if (!parse.document) {
        if (parse.error.empty()) {
            std::abort();
        }
        return 0;
    }
    if (parse.document->topics.empty()) {
        std::abort();
    }
    for (const auto& [number, topic] : parse.document->topics) {
        if (number < 0 || number > 65535 || topic.title.empty()) {
            std::abort();
        }
        const std::string html = HelpTopicHtml(*parse.document, topic);
        for (std::size_t at = html.find("href=\"help:"); at != std::string::npos;
             at = html.find("href=\"help:", at + 1)) {
            const int target = std::atoi(html.c_str() + at + 11);
            if (parse.document->Find(target) == nullptr) {
                std::abort();
            }
        }
    }
    return 0;
}
