// The recipes of every pressed layout mkdisc makes, and a fixture that builds
// one, parses its recipe and loads the result back through the emulated
// drive's descriptor, for the tests that check a built disc.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "emu/disc/loader.h"
#include "scratch_disc.h"
#include "tools/mkdisc/build_disc.h"

namespace kel::mkdisc::testing {

struct LayoutRecipe {
    const char* name;
    const char* recipe;
};

extern const std::vector<LayoutRecipe> kLayoutRecipes;      // pressed, one session
extern const std::vector<LayoutRecipe> kRecordableRecipes;  // sessions, CD-R and CD-RW states

// The recipes of `from` that a test applies to, so that no case is made that
// could only skip.
std::vector<LayoutRecipe> recipesWhere(const std::vector<LayoutRecipe>& from,
                                       const std::function<bool(const Recipe&)>& applies);

class BuiltLayouts : public ::testing::TestWithParam<LayoutRecipe> {
protected:
    void SetUp() override;

    ScratchFolder scratch_;
    BuiltDisc built_;
    Recipe recipe_;
    emu::LoadedDrive loaded_;
};

}  // namespace kel::mkdisc::testing
