#include "diag/state/options.h"

namespace kel::diag {

OptionsBlock& Options() {
    static OptionsBlock block;
    return block;
}

}  // namespace kel::diag
