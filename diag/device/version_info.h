// What the program's version information says of it. The settings key is
// named after the company given here.
#pragma once

namespace kel::diag::version_info {

inline constexpr const char* kCompanyName = "Kelvane Software";

}  // namespace kel::diag::version_info
