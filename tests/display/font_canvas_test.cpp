// Fonts (pixel sizes, pinned metrics, substitution, fallback faces) and the canvas's drawing.
#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "platform/font.h"
#include "support/golden.h"

// Pins the faces that stand in for characters Liberation Sans lacks, before anything in this
// executable asks fontconfig for a font.
static const bool fallbackPinned =
    setenv("FONTCONFIG_FILE", QUORVANE_SOURCE_DIR "/tests/fixtures/fonts/fonts.conf", 1) == 0;

TEST(Font, PixelHeightEscapementAndMetrics)
{
    for (auto [points, pixels] : {std::pair{18, 24}, {8, 11}, {1, 1}, {-4, 0}})  // rounded
        EXPECT_EQ(fontPixelHeight(points), pixels) << points;
    EXPECT_EQ(fontEscapement(180), -1800);
    EXPECT_EQ(fontEscapement(45), 0);  // no such orientation: upright
    auto font = Font::create("Liberation Sans", 18, 0, false);
    EXPECT_EQ(font->matchedFamily(), "Liberation Sans");
    EXPECT_EQ((std::vector<int>{font->pixelHeight(), font->ascent(), font->lineHeight()}),
              (std::vector<int>{24, 22, 28}));
    const int plain = font->textWidth("Galaga");
    EXPECT_GT(Font::create("Liberation Sans", 18, 0, true)->textWidth("Galaga"), plain);  // bold
    EXPECT_EQ(Font::create("Liberation Sans", 18, 90, false)->textWidth("Galaga"), plain);
    // Whole-pixel hinted advances (19.5 rounds up), no kerning: "AV" is as wide as A plus V.
    auto status = Font::create("Liberation Sans", 20, 0, false);
    EXPECT_EQ(status->textWidth("UUUU"), 80);
    EXPECT_EQ(status->textWidth("AV"), status->textWidth("A") + status->textWidth("V"));
    auto names = installedScalableFontNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_NE(std::find(names.begin(), names.end(), "Liberation Sans Bold Italic"), names.end());
}

// The options menu offers full names; each must open that very face, not its family's regular
// one (names longer than a family name may be are no exception).
TEST(Font, EveryListedNameOpensItsOwnFace)
{
    auto names = installedScalableFontNames();
    ASSERT_NE(std::find(names.begin(), names.end(), "Liberation Sans Narrow Bold Italic"),
              names.end());
    for (const std::string& name : names)
        EXPECT_EQ(Font::create(name, 12, 90, false)->matchedFullName(), name);
    // A family name still finds its regular face; the highlight is the family's bold italic.
    EXPECT_EQ(Font::create("DejaVu Serif", 12, 0, false)->matchedFullName(), "DejaVu Serif");
    EXPECT_EQ(Font::create("Liberation Serif Bold", 12, 0, true)->matchedFullName(),
              "Liberation Serif Bold Italic");
}

TEST(Font, BadFacesSizesAndTextsDoNotFail)
{
    auto missing = Font::create("No Such Face At All 123", 12, 0, false);  // substituted
    EXPECT_FALSE(missing->matchedFamily().empty());
    EXPECT_GT(missing->textWidth("abc"), 0);
    EXPECT_GE(Font::create("Liberation Sans", 0, 0, false)->lineHeight(), 1);  // never a divisor 0
    auto huge = Font::create("Liberation Sans", 400, 90, false);
    EXPECT_GT(huge->lineHeight(), 500);
    Canvas canvas(50, 50);
    canvas.drawText(25, 25, "Huge", *huge, 0);  // clipped to the canvas
    EXPECT_GT(missing->textWidth("bad \xC3\x28 utf8 \xFF"), 0);
}

// The reference point: top-left of the line for 0, bottom-right for 180, top-right for 90
// (glyphs to its left), bottom-left for -90 (glyphs to its right).
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
        Rect ink{1 << 30, 1 << 30, -1, -1};
        for (int py = 0; py < 300; ++py)
            for (int px = 0; px < 300; ++px)
                if (canvas.pixel(px, py) != 0xFFFFFFFF)
                    ink = {std::min(ink.left, px), std::min(ink.top, py),
                           std::max(ink.right, px + 1), std::max(ink.bottom, py + 1)};
        const Rect cell = orientation == 0     ? Rect{x, y, x + w, y + L}
                          : orientation == 180 ? Rect{x - w, y - L, x, y}
                          : orientation == 90  ? Rect{x - L, y, x, y + w}
                                               : Rect{x, y - w, x + L, y};
        EXPECT_GE(ink.left, cell.left - slack);
        EXPECT_GE(ink.top, cell.top - slack);
        EXPECT_LE(ink.right, cell.right + slack);
        EXPECT_LE(ink.bottom, cell.bottom + slack);
        const bool across = orientation == 0 || orientation == 180;
        EXPECT_GT(across ? ink.width() : ink.height(), w * 3 / 4);  // spans the cell
    }
}

// Characters Liberation Sans lacks (a star, Chinese characters) come from the pinned fallback
// faces, at the same reference point and baseline in every orientation.
TEST(Canvas, MissingCharactersComeFromAnotherFace)
{
    ASSERT_TRUE(fallbackPinned);
    const std::string title = "Galaxian \xE2\x98\x85 \xE9\x8A\x80\xE6\xB2\xB3";  // star, two Han
    Canvas canvas(360, 360);
    canvas.fillRect({0, 0, 360, 360}, 0xFFFFFF);
    struct {
        int orientation, x, y;
    } const placements[] = {{0, 40, 4}, {180, 320, 356}, {90, 356, 40}, {-90, 4, 320}};
    for (const auto& at : placements) {
        auto font = Font::create("Liberation Sans", 18, at.orientation, false);
        canvas.drawText(at.x, at.y, title, *font, 0x402000);
    }
    EXPECT_TRUE(matchesGolden(canvas, "text_fallback"));
}

// Saving and loading PNGs is exercised by every golden comparison.
TEST(Canvas, FillCopyAndOutline)
{
    Canvas canvas(40, 30);
    canvas.fillRect({5, 5, 15, 10}, 0x0000FF);  // COLORREF red
    EXPECT_EQ(canvas.pixel(14, 9), 0xFFFF0000u);
    EXPECT_EQ(canvas.pixel(15, 9), 0xFF000000u);  // right and bottom are exclusive
    canvas.fillRect({-10, -10, 1000, 2}, 0xFF0000);  // clipped
    EXPECT_EQ(canvas.pixel(39, 1), 0xFF0000FFu);
    Canvas target(20, 20);
    target.fillRect({0, 0, 20, 20}, 0x00FF00);
    target.copyFrom(canvas, {30, 0, 50, 10}, 0, 0);  // only pixels that exist are copied
    EXPECT_EQ(target.pixel(9, 5), 0xFF000000u);
    EXPECT_EQ(target.pixel(10, 5), 0xFF00FF00u);
    Canvas empty(-5, 10);  // a canvas of no size ignores drawing
    empty.roundRectOutline(0, 0, 5, 5, 2, 2, 2, 0);
    target.copyFrom(empty, {0, 0, 10, 10}, 0, 0);
    EXPECT_EQ(target.pixel(15, 15), 0xFF00FF00u);

    Canvas round(100, 100);
    round.fillRect({0, 0, 100, 100}, 0xFFFFFF);
    round.roundRectOutline(80, 90, 10, 10, 20, 20, 6, 0x0000FF);  // corners in any order
    EXPECT_EQ(round.pixel(45, 10), 0xFFFF0000u);                  // on the top edge
    EXPECT_EQ(round.pixel(45, 50), 0xFFFFFFFFu);                  // inside: hollow
    EXPECT_EQ(round.pixel(1, 1), 0xFFFFFFFFu);                    // the corner is rounded
}
