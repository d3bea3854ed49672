// The other file-system readers as the ISO reader's tests see them: no UDF
// or HFS volume anywhere, with each call counted.
#pragma once

namespace kel::diag::testing {

struct ReaderCalls {
    int udf = 0;
    int hfs = 0;
};
ReaderCalls& readerCalls();

}  // namespace kel::diag::testing
