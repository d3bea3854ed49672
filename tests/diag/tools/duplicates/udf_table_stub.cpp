// The ISO reader's FreeFileTree frees the UDF reader's map table first; the
// tests here read no UDF volume, so there is none.
#include "diag/fs/readers.h"

namespace kel::diag {

void FreeUdfTable() {}

}  // namespace kel::diag
