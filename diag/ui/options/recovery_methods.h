// The read-error recovery methods offered for each drive: a list text of
// "name,number" entries separated by ";", each number in C notation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kel::diag {

struct RecoveryMethod {
    std::string name;
    int value = 0;
};

// Entries without a "," or without a whole number are left out.
std::vector<RecoveryMethod> ParseRecoveryMethods(std::string_view list);

}  // namespace kel::diag
