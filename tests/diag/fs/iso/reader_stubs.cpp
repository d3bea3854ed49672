#include "tests/diag/fs/iso/reader_stubs.h"

#include "diag/fs/readers.h"

namespace kel::diag {

namespace testing {
ReaderCalls& readerCalls() {
    static ReaderCalls calls;
    return calls;
}
}  // namespace testing

bool ReadUdfVolume(TrackInfo&, std::span<std::uint8_t, 2048>) {
    ++testing::readerCalls().udf;
    return false;
}

void FreeUdfTable() {}

bool ReadHfsVolume(TrackInfo&) {
    ++testing::readerCalls().hfs;
    return false;
}

std::int32_t MarkBlockUsed(std::int32_t block) {
    return block;
}

}  // namespace kel::diag
