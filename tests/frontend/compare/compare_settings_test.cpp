// "KEL.INI", section [COMPPARM].
#include "frontend/compare/compare_settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/frontend/common/temp_folder.h"

namespace kel::compare {
namespace {

class CompareIni : public ::testing::Test {
protected:
    std::filesystem::path file() const { return folder_.path() / "KEL.INI"; }
    void write(const std::string& text) { std::ofstream(file()) << text; }
    std::string text() const {
        std::stringstream out;
        out << std::ifstream(file()).rdbuf();
        return out.str();
    }

    frontend::testing::TempFolder folder_;
};

TEST_F(CompareIni, MissingFileGivesTheDefaultsAndSavesThem) {
    profile::IniFile ini(file());
    CompareSettings settings;
    getini(ini, settings);
    EXPECT_EQ(settings.DriveCount, 1);
    EXPECT_TRUE(settings.ShowHints);
    EXPECT_FALSE(settings.IgnoreSync);
    EXPECT_EQ(settings.Sides[0].Enable, 1);
    EXPECT_EQ(settings.Sides[1].Enable, 1);
    EXPECT_EQ(settings.Sides[0].Master, 1);
    EXPECT_EQ(settings.Sides[1].Master, 0);
    ASSERT_TRUE(saveini(ini, settings));

    profile::IniFile again(file());
    for (auto [key, value] : {std::pair{"drive", 1},
                              {"showhints", 1},
                              {"ignoresync", 0},
                              {"Enable0", 1},
                              {"Enable1", 1},
                              {"Master", 0}}) {
        EXPECT_EQ(again.readInteger("COMPPARM", key, -7), value) << key;
    }
}

TEST_F(CompareIni, ValuesReadBackAsWritten) {
    write("[COMPPARM]\ndrive=1\nshowhints=0\nignoresync=1\nEnable0=1\nEnable1=0\nMaster=1\n");
    CompareSettings settings;
    getini(profile::IniFile(file()), settings);
    EXPECT_FALSE(settings.ShowHints);
    EXPECT_TRUE(settings.IgnoreSync);
    EXPECT_EQ(settings.Sides[1].Enable, 0);
    EXPECT_EQ(settings.Sides[1].Master, 1);
}

TEST_F(CompareIni, OutOfRangeAndMalformedValuesStayInsideTheSideTable) {
    for (const char* text :
         {"[COMPPARM]\ndrive=9\nMaster=77\n", "[COMPPARM]\nMaster=-3\n",
          "[COMPPARM]\ndrive=zz\nMaster=\nshowhints=yes please\n", "garbage\x01\xff[[[\n=\n"}) {
        write(text);
        CompareSettings settings;
        getini(profile::IniFile(file()), settings);
        EXPECT_GE(settings.DriveCount, 0) << text;
        EXPECT_LE(settings.DriveCount, 1) << text;
        int masters = 0;
        for (int side = 0; side <= settings.DriveCount; ++side) {
            masters += settings.Sides[static_cast<std::size_t>(side)].Master;
        }
        EXPECT_EQ(masters, 1) << text;
    }
}

TEST_F(CompareIni, SaveWritesTheLastMasterAndOnlyTheSidesInUse) {
    profile::IniFile ini(file());
    CompareSettings settings;
    settings.Sides[0].Master = 1;
    settings.Sides[1].Master = 1;
    settings.Sides[0].Enable = 1;
    settings.Sides[1].Enable = 0;
    ASSERT_TRUE(saveini(ini, settings));
    EXPECT_EQ(ini.readInteger("COMPPARM", "Master", -1), 1);
    EXPECT_EQ(ini.readInteger("COMPPARM", "Enable1", -1), 0);
    EXPECT_EQ(ini.readInteger("COMPPARM", "Enable2", -1), -1);
}

}  // namespace
}  // namespace kel::compare
