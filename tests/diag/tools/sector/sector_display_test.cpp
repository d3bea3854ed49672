// The sector display on discs in the emulated drive: the lines it shows in
// each read mode, moving through the disc and its limits, unreadable
// sectors, and the drive's modes before and after.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "diag/state/pane_hooks.h"
#include "diag/tools/sector/sector_display.h"
#include "diag/tools/sector/sector_display_dialog.h"
#include "emulated_disc.h"
#include "tests/diag/ui/qt_app.h"

namespace kel::diag {
namespace {

class SectorDisplayTest : public testing::EmulatedDiscTest {
protected:
    void SetUp() override {
        test::app();
        EmulatedDiscTest::SetUp();
        SetPaneHooks({.statusText = [this](std::string_view text) { status.emplace_back(text); },
                      .insertTreeNode = {}});
    }
    void TearDown() override {
        SetPaneHooks({});
        EmulatedDiscTest::TearDown();
    }

    void insertData(const std::string& sections = "") {
        const testing::BuiltImage* disc = testing::DataDisc();
        ASSERT_NE(disc, nullptr);
        insert(*disc, sections);
    }

    // Opens the display, runs `inspect` once the dialog is up, then closes it.
    void openAnd(std::function<void(SectorDisplayDialog&)> inspect) {
        bool ran = false;
        auto* timer = new QTimer(&test::app());
        QObject::connect(timer, &QTimer::timeout, timer, [&ran, timer, inspect] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<SectorDisplayDialog*>(widget);
                if (dialog != nullptr && dialog->isVisible()) {
                    timer->stop();
                    timer->deleteLater();
                    ran = true;
                    inspect(*dialog);
                    dialog->reject();
                    return;
                }
            }
        });
        timer->start(5);
        OpenSectorDisplay();
        EXPECT_TRUE(ran);
    }

    static QListWidget* lines(SectorDisplayDialog& d) { return d.findChild<QListWidget*>("lines"); }
    static std::string line(SectorDisplayDialog& d, int i) {
        return lines(d)->item(i)->text().toStdString();
    }
    static std::string field(SectorDisplayDialog& d, const char* name) {
        if (auto* edit = d.findChild<QLineEdit*>(name)) {
            return edit->text().toStdString();
        }
        return d.findChild<QLabel*>(name)->text().toStdString();
    }
    static QCheckBox* rawBox(SectorDisplayDialog& d) { return d.findChild<QCheckBox*>("rawMode"); }
    static void type(SectorDisplayDialog& d, const char* text) {
        auto* edit = d.findChild<QLineEdit*>("sector");
        edit->setText(text);
        // Enter in the field. A key event would bring Qt's keyboard device
        // into the process, which fails when the shared application ends.
        emit edit->returnPressed();
    }
    static void spin(SectorDisplayDialog& d, QAbstractSlider::SliderAction action) {
        d.findChild<QScrollBar*>("spin")->triggerAction(action);
    }
    // The down arrow and the up arrow of the spin control.
    static constexpr auto kDown = QAbstractSlider::SliderSingleStepAdd;
    static constexpr auto kUp = QAbstractSlider::SliderSingleStepSub;

    std::vector<std::string> status;
};

TEST_F(SectorDisplayTest, OpensAtTheFirstVolumeDescriptor) {
    insertData();
    openAnd([](SectorDisplayDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Sector Display");
        EXPECT_EQ(field(d, "sector"), "16");
        EXPECT_EQ(field(d, "msf"), "00.02.16");
        // Raw sectors come back, so the user may switch to them.
        EXPECT_TRUE(rawBox(d)->isEnabled());
        EXPECT_FALSE(rawBox(d)->isChecked());
        ASSERT_EQ(lines(d)->count(), 128);
        EXPECT_EQ(line(d, 0).substr(0, 22), "0000 01434430 30310100");
        EXPECT_EQ(line(d, 0).substr(42, 8), ".CD001..");
    });
    EXPECT_EQ(device().rawMode, 0) << "switched back when the dialog closed";
}

TEST_F(SectorDisplayTest, RawModeShowsTheWholeSector) {
    insertData();
    openAnd([](SectorDisplayDialog& d) {
        rawBox(d)->setChecked(true);
        ASSERT_EQ(lines(d)->count(), 147);
        // Sync, then the header: MSF 00:02:16 in BCD and mode 1.
        EXPECT_EQ(line(d, 0).substr(0, 40), "0000 00FFFFFF FFFFFFFF FFFFFF00 00021601");
        EXPECT_EQ(line(d, 1).substr(0, 22), "0010 01434430 30310100");
        EXPECT_EQ(line(d, 146).substr(0, 5), "0920 ");
        rawBox(d)->setChecked(false);
        EXPECT_EQ(lines(d)->count(), 128);
    });
}

TEST_F(SectorDisplayTest, PacketTrackUserDataFollowsTheSubheader) {
    insertData();
    track(0).flags |= track_flags::kPacket;
    openAnd([](SectorDisplayDialog& d) {
        EXPECT_EQ(field(d, "sector"), "0") << "a packet track opens at its start";
        type(d, "16");
        ASSERT_EQ(lines(d)->count(), 128);
        const std::string cooked = line(d, 0);
        rawBox(d)->setChecked(true);
        // Raw bytes 24-39 are the first line of the user data.
        EXPECT_EQ(cooked.substr(5, 17), line(d, 1).substr(23, 17));
        EXPECT_EQ(cooked.substr(23, 17), line(d, 2).substr(5, 17));
    });
}

TEST_F(SectorDisplayTest, TypedSectorsAndTheirLimits) {
    insertData();
    const std::int32_t end = Tracks().last->start;
    openAnd([this, end](SectorDisplayDialog& d) {
        type(d, "4400");
        EXPECT_EQ(d.currentSector(), 4400);
        EXPECT_EQ(field(d, "msf"), "01.00.50");
        type(d, "0.2.0");
        EXPECT_EQ(d.currentSector(), 0);
        EXPECT_EQ(field(d, "sector"), "0");
        type(d, std::to_string(end).c_str());
        EXPECT_EQ(d.currentSector(), 0);
        EXPECT_EQ(field(d, "sector"), "0") << "set back to the current sector";
        ASSERT_FALSE(status.empty());
        EXPECT_EQ(status.back(),
                  "The sector number " + std::to_string(end) + " is not within the current track.");
        type(d, "sixteen");
        EXPECT_EQ(status.back(),
                  "The value \"sixteen\" could not be interpreted as either a "
                  "sector number or a MSF specification.");
        EXPECT_EQ(d.currentSector(), 0);
    });
}

TEST_F(SectorDisplayTest, SpinControlStopsAtBothEnds) {
    insertData();
    const std::int32_t end = Tracks().last->start;
    openAnd([end](SectorDisplayDialog& d) {
        type(d, "0");
        spin(d, kDown);
        EXPECT_EQ(d.currentSector(), 0) << "nothing before the first track";
        spin(d, kUp);
        EXPECT_EQ(d.currentSector(), 1);
        EXPECT_EQ(field(d, "msf"), "00.02.01");
        EXPECT_EQ(field(d, "sector"), "1");
        type(d, std::to_string(end - 1).c_str());
        spin(d, kUp);
        EXPECT_EQ(d.currentSector(), end - 1) << "nothing from the lead-out on";
        spin(d, kDown);
        EXPECT_EQ(d.currentSector(), end - 2);
        EXPECT_EQ(lines(d)->count(), 128);
    });
}

TEST_F(SectorDisplayTest, UnreadableSectorShowsNothing) {
    insertData("[faults]\nhard = 20\n");
    openAnd([](SectorDisplayDialog& d) {
        type(d, "20");
        EXPECT_EQ(d.currentSector(), 20);
        EXPECT_EQ(lines(d)->count(), 0);
        spin(d, kUp);
        EXPECT_EQ(lines(d)->count(), 128) << "the user moves on";
    });
}

TEST_F(SectorDisplayTest, RawModeThatFailsIsStruckFromTheProfile) {
    // The start sector cannot be read raw: raw mode is given up for good.
    insertData("[faults]\nhard = 16\n");
    ASSERT_TRUE(device().Raw());
    openAnd([](SectorDisplayDialog& d) {
        EXPECT_FALSE(rawBox(d)->isEnabled());
        EXPECT_EQ(lines(d)->count(), 0);
        type(d, "17");
        EXPECT_EQ(lines(d)->count(), 128);
    });
    EXPECT_FALSE(device().Raw());
    EXPECT_EQ(device().rawMode, 0);
}

TEST_F(SectorDisplayTest, AudioDiscIsShownInCddaMode) {
    const testing::BuiltImage* disc = testing::AudioDisc();
    ASSERT_NE(disc, nullptr);
    insert(*disc);
    openAnd([this](SectorDisplayDialog& d) {
        EXPECT_EQ(device().cddaMode, 1);
        EXPECT_TRUE(rawBox(d)->isChecked());
        EXPECT_FALSE(rawBox(d)->isEnabled());
        EXPECT_EQ(lines(d)->count(), 147);
    });
    EXPECT_EQ(device().cddaMode, 0);
}

// A mixed-mode disc: CD-DA reads for its audio, and its data sectors read
// as data, showing their own bytes and none of another sector's.
TEST_F(SectorDisplayTest, MixedDiscShowsEachSectorAsItsTrackHoldsIt) {
    const testing::BuiltImage* disc = testing::MixedDisc();
    ASSERT_NE(disc, nullptr);
    insert(*disc);
    const std::int32_t audio = disc->plan.tracks.at(1).start + 10;
    openAnd([this, audio](SectorDisplayDialog& d) {
        ASSERT_EQ(lines(d)->count(), 128) << "sector 16 is a data sector";
        EXPECT_EQ(line(d, 0).substr(42, 8), ".CD001..");
        EXPECT_EQ(device().cddaMode, 0);
        type(d, std::to_string(audio).c_str());
        EXPECT_EQ(device().cddaMode, 1);
        EXPECT_EQ(lines(d)->count(), 147);
        type(d, "16");
        EXPECT_EQ(lines(d)->count(), 128);
        EXPECT_EQ(line(d, 0).substr(42, 8), ".CD001..");
    });
    EXPECT_EQ(device().cddaMode, 0);
    EXPECT_TRUE(device().CDDAScan());
    EXPECT_TRUE(messages.empty());
}

TEST_F(SectorDisplayTest, WidthStaysAndTheListFollowsTheHeight) {
    insertData();
    openAnd([](SectorDisplayDialog& d) {
        const QSize before = d.size();
        const int listHeight = lines(d)->height();
        d.resize(before.width() + 100, before.height() + 60);
        EXPECT_EQ(d.width(), before.width());
        EXPECT_EQ(d.height(), before.height() + 60);
        QTest::qWait(200);
        EXPECT_EQ(lines(d)->height(), listHeight + 60);
    });
}

TEST_F(SectorDisplayTest, NoTracksNoDisplay) {
    insertData();
    clearTrackList();
    OpenSectorDisplay();
    EXPECT_EQ(messages, std::vector<int>{170});
}

}  // namespace
}  // namespace kel::diag
