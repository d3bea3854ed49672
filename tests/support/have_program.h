// Whether an outside program that a test needs is installed.
#pragma once

#include <string>

namespace kel::test {

// True when `program` is an executable file in one of PATH's folders.
bool haveProgram(const std::string& program);

}  // namespace kel::test
