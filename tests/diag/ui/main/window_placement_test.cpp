// The saved window placement: its text, what counts as readable, and a
// window put back where it was.
#include "diag/ui/main/window_placement.h"

#include <QWidget>

#include "diag/ui/help_file.h"
#include "main_fixture.h"

namespace kel::diag {
namespace {

using WindowPlacementTest = test::MainFixture;

TEST(PlacementTextTest, WritesAndReadsTheTenNumbers) {
    const WindowPlacement placement{2, 3, -1, -1, -8, -30, 120, 80, 920, 680};
    const std::string text = PlacementText(placement);
    EXPECT_EQ(text, "2,3,(-1,-1),(-8,-30).(120,80,920,680)");
    EXPECT_EQ(ParsePlacement(text), placement);
}

TEST(PlacementTextTest, RefusesAnythingButAllTenNumbers) {
    EXPECT_FALSE(ParsePlacement(""));
    EXPECT_FALSE(ParsePlacement("0,1,(-1,-1),(-1,-1).(10,10,500"));
    EXPECT_FALSE(ParsePlacement("0,1,(-1,-1),(-1,-1),(10,10,500,400)")) << "',' for '.'";
    EXPECT_FALSE(ParsePlacement("0,1,(-1,-1),(-1,x).(10,10,500,400)"));
    EXPECT_FALSE(ParsePlacement("0,1,(-1,-1),(-1,-1).(10,10,500,99999999999)"));
    // An empty rectangle would leave no window to see.
    EXPECT_FALSE(ParsePlacement("0,1,(-1,-1),(-1,-1).(500,10,500,400)"));
    EXPECT_FALSE(ParsePlacement("0,1,(-1,-1),(-1,-1).(10,400,500,10)"));
    EXPECT_TRUE(ParsePlacement("0,1,(-1,-1),(-1,-1).(10,10,500,400)"));
}

TEST_F(WindowPlacementTest, AWindowComesBackWhereItWasSaved) {
    QWidget before;
    before.setGeometry(140, 90, 640, 420);
    SaveWindowPlacement(before);
    EXPECT_EQ(settings().ReadString("SavedWindowPosition", ""),
              "0,1,(-1,-1),(-1,-1).(140,90,780,510)");

    QWidget after;
    ASSERT_TRUE(RestoreWindowPlacement(after));
    EXPECT_EQ(after.geometry(), QRect(140, 90, 640, 420));
    EXPECT_FALSE(after.isMaximized());
}

TEST_F(WindowPlacementTest, AMaximisedWindowComesBackMaximised) {
    settings().WriteString("SavedWindowPosition", "2,3,(-1,-1),(-1,-1).(10,20,410,320)");
    QWidget window;
    ASSERT_TRUE(RestoreWindowPlacement(window));
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
}

TEST_F(WindowPlacementTest, AnUnreadableValueLeavesTheWindowAlone) {
    settings().WriteString("SavedWindowPosition", "0,1,(-1,-1)");
    QWidget window;
    window.setGeometry(5, 6, 300, 200);
    EXPECT_FALSE(RestoreWindowPlacement(window));
    EXPECT_EQ(window.geometry(), QRect(5, 6, 300, 200));
}

TEST(HelpFileTest, NamedAfterTheProgramBesideIt) {
    EXPECT_EQ(HelpFilePath("/opt/kel/bin/MORVALE"), "/opt/kel/bin/MORVALE.hlp");
    EXPECT_EQ(HelpFilePath("/opt/kel/bin/MORVALE.EXE"), "/opt/kel/bin/MORVALE.hlp");
    EXPECT_EQ(HelpFilePath("/home/a.b/MORVALE"), "/home/a.b/MORVALE.hlp")
        << "a dot in a folder is not the extension";
    EXPECT_EQ(HelpFilePath(""), "MORVALE.hlp");
}

}  // namespace
}  // namespace kel::diag
