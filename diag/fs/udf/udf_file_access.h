// The one file access record of the UDF reader (the data of the node that
// InitUDFAccess prepared last).
#pragma once

namespace kel::diag::udf {

void FreeAccessRecord();

}  // namespace kel::diag::udf
