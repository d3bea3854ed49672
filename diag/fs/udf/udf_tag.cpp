#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/state/options.h"

namespace kel::diag {

bool CheckUdfTag(std::span<const std::uint8_t> descriptor, int* error) {
    using namespace udf;
    auto fail = [error](int code) {
        if (error != nullptr) {
            *error = code;
        }
        return false;
    };
    if (descriptor.size() < tag_field::kSize) {
        return fail(udf_tag_error::kCrcLength);
    }
    // Version 3 is the tag of ECMA-167's third edition, which every UDF
    // revision from 2.00 on records; refusing it would leave such discs
    // without a file system.
    const std::uint16_t version = Le16(descriptor, tag_field::kVersion);
    if (version < 1 || version > 3) {
        return fail(udf_tag_error::kVersion);
    }
    if (descriptor[tag_field::kReserved] != 0) {
        return fail(udf_tag_error::kReserved);
    }
    if (Le16(descriptor, tag_field::kCrcLength) > kBlockSize) {
        return fail(udf_tag_error::kCrcLength);
    }
    if (!State().ignoreChecksums && Options().cSwitch == 0) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < tag_field::kSize; ++i) {
            if (i != tag_field::kChecksum) {
                sum += descriptor[i];
            }
        }
        if ((sum & 0xFF) != descriptor[tag_field::kChecksum]) {
            State().checksumError = true;
            return fail(udf_tag_error::kChecksum);
        }
    }
    if (error != nullptr) {
        *error = 0;
    }
    return true;
}

namespace udf {

std::uint16_t TagId(std::span<const std::uint8_t> descriptor) {
    return Le16(descriptor, tag_field::kIdentifier);
}

bool IsValidTag(std::span<const std::uint8_t> descriptor, std::uint16_t id) {
    return descriptor.size() >= tag_field::kSize && TagId(descriptor) == id &&
           CheckUdfTag(descriptor, nullptr);
}

}  // namespace udf
}  // namespace kel::diag
