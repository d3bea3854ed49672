#include "tools/mkdisc/build_error.h"

namespace kel::mkdisc {

std::string BuildError::text() const {
    std::string where = file.string();
    if (line > 0) {
        where += ":" + std::to_string(line);
    }
    return where + ": " + message;
}

}  // namespace kel::mkdisc
