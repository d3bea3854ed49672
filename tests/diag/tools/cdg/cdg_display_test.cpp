// The display control paints the screen through its colour table, the image
// taken from the scroll offsets on.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "diag/tools/cdg/cdg_player_window.h"
#include "tests/diag/ui/qt_app.h"

namespace kel::diag {
namespace {

TEST(CdgDisplay, PaintsThroughThePaletteFromTheScrollOffsets) {
    test::app();
    CdgScreen screen;
    for (int y = 0; y < kCdgHeight; ++y) {
        for (int x = 0; x < kCdgWidth; ++x) {
            screen.at(x, y) = std::uint8_t((x + y) % 16);
        }
    }
    for (std::size_t i = 0; i < kCdgColours; ++i) {
        screen.palette[i] = {std::uint8_t(255 - i), std::uint8_t(i * 10), std::uint8_t(i * 16), 0};
    }
    const auto colourAt = [&](int x, int y) {
        const CdgColour& c = screen.palette[screen.at(x, y)];
        return qRgb(c.red, c.green, c.blue);
    };
    CdgDisplay display(screen, nullptr);
    ASSERT_EQ(display.size(), QSize(300, 216));

    QImage shown = display.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(0, 0), colourAt(0, 0));
    EXPECT_EQ(shown.pixel(299, 215), colourAt(299, 215));
    EXPECT_EQ(shown.pixel(17, 100), colourAt(17, 100));

    screen.hOffset = 5;
    screen.vOffset = 11;
    shown = display.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(0, 0), colourAt(5, 11));
    EXPECT_EQ(shown.pixel(294, 204), colourAt(299, 215));
    EXPECT_EQ(shown.pixel(295, 10), qRgb(0, 0, 0)) << "past the image's right edge";
    EXPECT_EQ(shown.pixel(10, 205), qRgb(0, 0, 0)) << "past its bottom edge";
}

}  // namespace
}  // namespace kel::diag
