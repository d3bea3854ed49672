// The options tests' surroundings: those of every window test.
#pragma once

#include "diag/ui/guides.h"
#include "tests/diag/support/program_fixture.h"

namespace kel::diag::test {

class OptionsFixture : public ProgramFixture {};

}  // namespace kel::diag::test
