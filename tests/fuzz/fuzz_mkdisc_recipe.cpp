// Disc recipes from untrusted bytes: the parser and the checker must never
// crash or hang, whatever the sections, keys and numbers say.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/mkdisc/recipe_check.h"
#include "tools/mkdisc/recipe_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto parsed = kel::mkdisc::parseRecipe(text, "/fuzz/disc.recipe");
    if (const auto* recipe = std::get_if<kel::mkdisc::Recipe>(&parsed)) {
        (void)kel::mkdisc::checkRecipe(*recipe);
    }
    return 0;
}
