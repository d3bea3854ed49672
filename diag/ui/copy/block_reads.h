// Reading disc blocks for a copy under its read-error rule: with
// AcceptErrors an unreadable block becomes zeros and is listed as lost;
// without it the user chooses to try again, skip it (zeros, listed) or stop.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "diag/device/cd_device.h"
#include "diag/ui/copy/copy_questions.h"

namespace kel::diag {

class BlockReads {
public:
    BlockReads(CdDevice& device, const CopySettings& settings, CopyQuestions& questions,
               CopyOutcome& outcome)
        : device_(device), settings_(settings), questions_(questions), outcome_(outcome) {}

    // Reads one block of `out.size()` bytes (2048 cooked, 2352 raw) for
    // `what`; false only when the user stopped the copy.
    bool Read(std::int64_t block, std::span<std::uint8_t> out, const std::string& what);

private:
    CdDevice& device_;
    const CopySettings& settings_;
    CopyQuestions& questions_;
    CopyOutcome& outcome_;
};

}  // namespace kel::diag
