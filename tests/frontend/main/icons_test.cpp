#include "frontend/common/icons.h"

#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "tests/frontend/common/scripted_client.h"
#include "widget_environment.h"

namespace kel::frontend {
namespace {

class IconsTest : public ::testing::Test {
protected:
    void SetUp() override { testing::WidgetEnvironment::get(); }
    testing::ScriptedClient client_;
};

TEST_F(IconsTest, EveryClassAndDriveKindHasItsOwnPicture) {
    Ticons icons(client_);
    std::set<QByteArray> pictures;
    auto bytesOf = [](const QPixmap& picture) {
        QImage image = picture.toImage();
        EXPECT_EQ(image.size(), QSize(kIconSize, kIconSize));
        return QByteArray(reinterpret_cast<const char*>(image.constBits()),
                          static_cast<int>(image.sizeInBytes()));
    };
    for (int discClass = 0; discClass <= kClassNone; ++discClass) {
        pictures.insert(bytesOf(icons.CdImage(discClass)));
    }
    for (int kind = kIconFloppy; kind <= kIconCdDrive; ++kind) {
        pictures.insert(bytesOf(icons.MakeOtherIcon(kind)));
    }
    EXPECT_EQ(pictures.size(), 15u);
}

TEST_F(IconsTest, RequestsShareOnePicturePerKind) {
    Ticons icons(client_);
    const qint64 first = icons.MakeOtherIcon(kIconCdDrive).cacheKey();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(icons.MakeOtherIcon(kIconCdDrive).cacheKey(), first);
        ASSERT_EQ(icons.CdImage(kClassAudio).cacheKey(), icons.CdImage(kClassAudio).cacheKey());
    }
}

TEST_F(IconsTest, OutOfRangeIndexesFallBack) {
    Ticons icons(client_);
    EXPECT_EQ(icons.MakeOtherIcon(-1).cacheKey(), icons.MakeOtherIcon(kIconCdDrive).cacheKey());
    EXPECT_EQ(icons.MakeOtherIcon(6).cacheKey(), icons.MakeOtherIcon(kIconCdDrive).cacheKey());
    EXPECT_EQ(icons.CdImage(86).cacheKey(), icons.CdImage(kClassNone).cacheKey());
    EXPECT_EQ(icons.CdImage(-3).cacheKey(), icons.CdImage(kClassNone).cacheKey());
}

TEST_F(IconsTest, MakeDriveIconGivesThePictureOfTheClassifiedDisc) {
    testing::ResetKelCdData();
    // A table of contents of two audio tracks.
    client_.answer = [](const std::vector<std::string>& request) -> std::optional<testing::Record> {
        if (request[0] == "8490") {
            return testing::TextReply(
                {"8490", "1", "2", "2", "9000", "1", "0", "0", "1", "2", "4000", "0", "1", "14"});
        }
        return testing::TextReply({request[0], "2"});
    };
    Ticons icons(client_, [](int, DiscDirectory) { return false; });
    const QPixmap picture = icons.MakeDriveIcon(0);
    EXPECT_EQ(icons.Disc().DiscClass, kClassAudio);
    EXPECT_EQ(icons.Disc().AudioTracks, 2);
    EXPECT_EQ(picture.cacheKey(), icons.CdImage(kClassAudio).cacheKey());
    EXPECT_EQ(icons.ClassifyAndKeep(0), kClassAudio);
}

}  // namespace
}  // namespace kel::frontend
