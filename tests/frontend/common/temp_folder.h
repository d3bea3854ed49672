// The front-end tests' temporary folder is the one every test uses.
#pragma once

#include "tests/support/temp_folder.h"

namespace kel::frontend::testing {

using kel::test::TempFolder;

}  // namespace kel::frontend::testing
