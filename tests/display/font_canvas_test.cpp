#include <algorithm>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "platform/font.h"

namespace {

struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// Bounding box of every pixel that differs from the background.
Ink inkBounds(const Canvas& c, uint32_t background)
{
    Ink ink;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.pixel(x, y) != background) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
    return ink;
}

}  // namespace

TEST(Font, PixelHeightAndEscapement)
{
    struct {
        int points, pixels;
    } heights[] = {{18, 24}, {12, 16}, {8, 11}, {1, 1}, {0, 0}, {-4, 0}, {72, 96}};
    for (auto c : heights) EXPECT_EQ(fontPixelHeight(c.points), c.pixels) << c.points;
    struct {
        int orientation, escapement;
    } turns[] = {{0, 0}, {180, -1800}, {90, -900}, {-90, 900}, {45, 0}, {270, 0}};
    for (auto c : turns) EXPECT_EQ(fontEscapement(c.orientation), c.escapement);
}

TEST(Font, PinnedFaceMetrics)
{
    auto font = Font::create("Liberation Sans", 18, 0, false);
    EXPECT_EQ(font->matchedFamily(), "Liberation Sans");
    EXPECT_EQ(font->pixelHeight(), 24);
    EXPECT_EQ(font->ascent(), 22);
    EXPECT_EQ(font->lineHeight(), 28);
    EXPECT_EQ(font->textWidth(""), 0);
    const int plain = font->textWidth("Galaga");
    EXPECT_GT(plain, 40);
    EXPECT_LT(plain, 120);
    // The highlighted variant is heavier and so wider.
    EXPECT_GT(Font::create("Liberation Sans", 18, 0, true)->textWidth("Galaga"), plain);
    // Width does not depend on the orientation.
    EXPECT_EQ(Font::create("Liberation Sans", 18, 90, false)->textWidth("Galaga"), plain);
    // Arial is metric-compatible Liberation Sans on this system.
    EXPECT_EQ(Font::create("Arial", 18, 0, false)->textWidth("Galaga"), plain);
}

TEST(Font, BadFacesAndTextsDoNotFail)
{
    auto missing = Font::create("No Such Face At All 123", 12, 0, false);
    EXPECT_FALSE(missing->matchedFamily().empty());
    EXPECT_GT(missing->lineHeight(), 0);
    EXPECT_GT(missing->textWidth("abc"), 0);
    auto longName = Font::create(std::string(40, 'x'), 12, 0, false);
    EXPECT_GT(longName->lineHeight(), 0);
    auto zero = Font::create("Liberation Sans", 0, 0, false);
    EXPECT_GE(zero->lineHeight(), 1);  // never a zero divisor
    EXPECT_EQ(zero->textWidth("abc"), 0);
    auto font = Font::create("Liberation Sans", 12, 0, false);
    EXPECT_GT(font->textWidth("bad \xC3\x28 utf8 \xFF"), 0);
    EXPECT_GT(font->textWidth("\xC2\xA9 1981"), font->textWidth(" 1981"));
}

TEST(Font, InstalledScalableFontNamesAreSortedFullNames)
{
    auto names = installedScalableFontNames();
    ASSERT_FALSE(names.empty());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_NE(std::find(names.begin(), names.end(), "Liberation Sans"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Liberation Sans Bold Italic"), names.end());
}

// The reference point of each orientation: top-left of the line for 0, bottom-right for 180,
// top-right for 90 (glyphs to its left), bottom-left for -90 (glyphs to its right).
TEST(Canvas, TextReferencePointInEveryOrientation)
{
    const int x = 150, y = 150, slack = 2;
    for (int orientation : {0, 180, 90, -90}) {
        SCOPED_TRACE(orientation);
        auto font = Font::create("Liberation Sans", 18, orientation, false);
        const int w = font->textWidth("HgH"), L = font->lineHeight();
        Canvas canvas(300, 300);
        canvas.fillRect({0, 0, 300, 300}, 0xFFFFFF);
        canvas.drawText(x, y, "HgH", *font, 0x000000);
        Ink ink = inkBounds(canvas, 0xFFFFFFFF);
        ASSERT_GE(ink.right, 0) << "nothing drawn";
        Rect cell;
        switch (orientation) {
            case 0:
                cell = {x, y, x + w, y + L};
                break;
            case 180:
                cell = {x - w, y - L, x, y};
                break;
            case 90:
                cell = {x - L, y, x, y + w};
                break;
            default:
                cell = {x, y - w, x + L, y};
                break;
        }
        EXPECT_GE(ink.left, cell.left - slack);
        EXPECT_GE(ink.top, cell.top - slack);
        EXPECT_LE(ink.right, cell.right + slack);
        EXPECT_LE(ink.bottom, cell.bottom + slack);
        // And the text really spans most of the cell along its direction of writing.
        const int along =
            (orientation == 0 || orientation == 180) ? ink.right - ink.left : ink.bottom - ink.top;
        EXPECT_GT(along, w * 3 / 4);
    }
}

TEST(Canvas, FillCopyAndSizes)
{
    Canvas canvas(40, 30);
    EXPECT_EQ(canvas.pixel(0, 0), 0xFF000000u);  // opaque black when new
    canvas.fillRect({5, 5, 15, 10}, 0x0000FF);   // COLORREF red
    EXPECT_EQ(canvas.pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(canvas.pixel(14, 9), 0xFFFF0000u);
    EXPECT_EQ(canvas.pixel(15, 9), 0xFF000000u);  // right and bottom are exclusive
    EXPECT_EQ(canvas.pixel(14, 10), 0xFF000000u);
    canvas.fillRect({-10, -10, 1000, 2}, 0xFF0000);  // clipped, COLORREF blue
    EXPECT_EQ(canvas.pixel(39, 1), 0xFF0000FFu);
    EXPECT_EQ(argbFromColorref(0x00336699), 0xFF996633u);

    Canvas target(20, 20);
    target.fillRect({0, 0, 20, 20}, 0x00FF00);
    // Only pixels that exist in the source are copied; the rest stays.
    target.copyFrom(canvas, {30, 0, 50, 10}, 0, 0);
    EXPECT_EQ(target.pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(target.pixel(9, 5), 0xFF000000u);
    EXPECT_EQ(target.pixel(10, 5), 0xFF00FF00u);

    for (auto size : {std::pair{0, 0}, std::pair{-5, 10}, std::pair{10, -1}}) {
        Canvas empty(size.first, size.second);
        EXPECT_EQ(empty.width() * empty.height(), 0);
        empty.fillRect({0, 0, 10, 10}, 0);
        empty.drawText(0, 0, "x", *Font::create("Liberation Sans", 12, 0, false), 0);
        empty.roundRectOutline(0, 0, 5, 5, 2, 2, 2, 0);
        EXPECT_EQ(empty.pixel(0, 0), 0u);
        target.copyFrom(empty, {0, 0, 10, 10}, 0, 0);
    }
    EXPECT_EQ(target.pixel(0, 0), 0xFF0000FFu);
}

TEST(Canvas, RoundRectOutlineLeavesTheInsideAlone)
{
    Canvas canvas(100, 100);
    canvas.fillRect({0, 0, 100, 100}, 0xFFFFFF);
    canvas.roundRectOutline(80, 90, 10, 10, 20, 20, 6, 0x0000FF);  // corners in any order
    EXPECT_EQ(canvas.pixel(45, 10), 0xFFFF0000u);                  // on the top edge
    EXPECT_EQ(canvas.pixel(10, 50), 0xFFFF0000u);                  // on the left edge
    EXPECT_EQ(canvas.pixel(45, 50), 0xFFFFFFFFu);                  // inside: hollow brush
    EXPECT_EQ(canvas.pixel(45, 95), 0xFFFFFFFFu);                  // outside the pen
    EXPECT_EQ(canvas.pixel(1, 1), 0xFFFFFFFFu);                    // the rounded corner stays clear
}

TEST(Canvas, PngRoundTrip)
{
    Canvas canvas(7, 5);
    canvas.fillRect({0, 0, 7, 5}, 0x123456);
    canvas.fillRect({3, 2, 4, 3}, 0xFEDCBA);
    const std::string path = ::testing::TempDir() + "canvas_round_trip.png";
    ASSERT_TRUE(canvas.savePng(path));
    auto loaded = Canvas::loadPng(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->width(), 7);
    EXPECT_EQ(loaded->pixel(0, 0), canvas.pixel(0, 0));
    EXPECT_EQ(loaded->pixel(3, 2), canvas.pixel(3, 2));
    std::ofstream(path) << "not a png";
    EXPECT_FALSE(Canvas::loadPng(path));
    EXPECT_FALSE(Canvas::loadPng(path + ".missing"));
}
