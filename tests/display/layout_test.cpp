// Layout numbers of the browse screen, exactly as the views place them.
#include <gtest/gtest.h>

#include "display/image_browser.h"
#include "display/list_view.h"
#include "display/main_window.h"
#include "display/page_scroll.h"
#include "display/status_bars.h"
#include "display/text_metrics.h"

TEST(PageScroll, WorkedExamples)
{
    struct {
        int selected, first, page, count, expected;
    } cases[] = {
        {9, 0, 10, 100, 0},    // inside: nothing moves
        {10, 0, 10, 100, 10},  // one past the page: the selection lands on the first line
        {9, 10, 10, 100, 0},   // and back
        {24, 0, 10, 25, 15},   // 10, then 20 clamped to 15: the last page ends at the last game
        {3, 90, 10, 100, 0},   // a jump back pages down to 0
        {3, 95, 10, 100, 0},
        {99, 0, 10, 100, 90},
        {4, 0, 10, 5, 0},    // fewer games than lines
        {7, 0, 6, 20, 6},    // image browser pages of 3 x 2
        {19, 6, 6, 20, 14},  // 12, 18 clamped to 14
        {0, 0, 1, 1, 0},
        // Degenerate input ends at once and stays inside the list.
        {5, 3, 0, 10, 3},  // a view smaller than one line or cell
        {5, 30, 0, 10, 9},
        {5, 3, -4, 10, 3},
        {0, 0, 10, 0, 0},     // empty catalogue
        {50, 0, 10, 20, 10},  // selection beyond the list is treated as the last entry
        {-3, 7, 10, 20, 0},
        {0, -25, 10, 5, 0},  // a negative first index never survives
        {2000000000, 0, 1, 2100000000, 2000000000},
    };
    for (auto& c : cases)
        EXPECT_EQ(scrollByPages(c.selected, c.first, c.page, c.count), c.expected)
            << c.selected << " " << c.first << " " << c.page << " " << c.count;
}

TEST(TextMetrics, LinesRowsAndColumns)
{
    auto font = Font::create("Liberation Sans", 18, 0, false);
    const int L = font->lineHeight();
    EXPECT_EQ(countTextLines(*font, 0, 1024, 600, 30), (600 - 30) / L);
    EXPECT_EQ(countTextLines(*font, 180, 1024, 600, 30), (600 - 30) / L);
    EXPECT_EQ(countTextLines(*font, 90, 1024, 600, 30), (1024 - 30) / L);
    EXPECT_EQ(countTextLines(*font, -90, 1024, 600, 30), (1024 - 30) / L);
    EXPECT_EQ(countTextLines(*font, 0, 1024, L - 1, 0), 0);
    EXPECT_EQ(countTextLines(*font, 0, 1024, 10, 40), 0);  // never negative

    LauncherSettings s;  // 184 x 244 boxes, spacer 20
    EXPECT_EQ(countPreviewColumns(s, 0, 800, 100), 3);
    EXPECT_EQ(countPreviewColumns(s, 90, 100, 800), 3);
    EXPECT_EQ(countPreviewColumns(s, 0, 10, 800), 0);
    auto caption = Font::create("Liberation Sans", 8, 0, false);
    const int Lc = caption->lineHeight();
    EXPECT_EQ(countPreviewRows(*caption, s, 0, 100, 1000, 20), (1000 - 20 - 20) / (Lc + 264));
    EXPECT_EQ(countPreviewRows(*caption, s, -90, 1000, 100, 20), (1000 - 20 - 20) / (Lc + 264));
    EXPECT_EQ(countPreviewRows(*caption, s, 0, 100, 100, 20), 0);
    s.PreviewModeWidth = -20;  // settings that make no sense give no cells, not a crash
    s.PreviewModeHeight = -300;
    EXPECT_EQ(countPreviewColumns(s, 0, 800, 600), 0);
    EXPECT_EQ(countPreviewRows(*caption, s, 0, 800, 600, 0), 0);
}

TEST(ListViewLayout, HighlightBandAndTextOrigins)
{
    const Rect v{0, 30, 1024, 740};
    const int L = 28;
    struct {
        int orientation;
        Rect band;      // of line 2
        Point origin0;  // text of line 0
        Point origin3;  // text of line 3
    } cases[] = {
        {0, {0, 30 + 56, 1024, 30 + 84}, {6, 30}, {6, 30 + 84}},
        {180, {0, 740 - 84, 1024, 740 - 56}, {1018, 740}, {1018, 740 - 84}},
        {90, {1024 - 84, 30, 1024 - 56, 740}, {1024, 36}, {1024 - 84, 36}},
        {-90, {56, 30, 84, 740}, {0, 734}, {84, 734}},
    };
    for (auto& c : cases) {
        EXPECT_EQ(listHighlightBand(c.orientation, v, 2, L), c.band) << c.orientation;
        EXPECT_EQ(listTextOrigin(c.orientation, v, 0, L), c.origin0) << c.orientation;
        EXPECT_EQ(listTextOrigin(c.orientation, v, 3, L), c.origin3) << c.orientation;
    }
}

TEST(ImageBrowserLayout, GeometryBoxesCaptionsAndFrame)
{
    LauncherSettings s;  // Wc 184, Hc 244, S 20
    // The worked example: caption height 13, 800 wide, R's bottom 580, game bar 20.
    auto g = imageBrowserGeometry(s, 0, 13, Rect{0, 0, 800, 580}, 20);
    EXPECT_EQ(g.cols, 3);
    EXPECT_EQ(g.rows, 1);
    EXPECT_EQ(g.pageSize, 3);
    EXPECT_EQ(g.columnPitch, 204);
    EXPECT_EQ(g.rowPitch, 277);
    // Turned: columns run down the screen (R's bottom), rows across (R's right).
    auto t = imageBrowserGeometry(s, 90, 13, Rect{20, 0, 1024, 768}, 20);
    EXPECT_EQ(t.cols, (768 - 20) / 204);
    EXPECT_EQ(t.rows, (1024 - 20 - 20) / 277);
    EXPECT_EQ(imageBrowserGeometry(s, 0, 13, Rect{0, 0, 30, 30}, 0).pageSize, 0);

    const Rect R{0, 30, 1024, 740};
    auto grid = imageBrowserGeometry(s, 0, 13, R, 0);
    struct {
        int orientation;
        Rect box;  // of row 1, column 2
        Point caption;
        Point first, opposite;  // frame of page entry k = cols + 2 (row 1, column 2)
    } cases[] = {
        {0,
         {20 + 408, 20 + 277, 20 + 408 + 184, 20 + 277 + 244},
         {428, 541},
         {408 + 10, 277 + 10},
         {408 + 10 + 204, 277 + 10 + 277}},
        {180,
         {1024 - 408 - 20 - 184, 740 - 277 - 20 - 244, 1024 - 408 - 20, 740 - 277 - 20},
         {1024 - 428, 740 - 541},
         {1024 - 418, 740 - 287},
         {1024 - 622, 740 - 564}},
        {90,
         {1024 - 277 - 20 - 244, 20 + 408, 1024 - 277 - 20, 20 + 408 + 184},
         {1024 - 541, 428},
         {1024 - 287, 418},
         {1024 - 564, 622}},
        {-90,
         {20 + 277, 740 - 408 - 20 - 184, 20 + 277 + 244, 740 - 408 - 20},
         {541, 740 - 428},
         {287, 740 - 418},
         {564, 740 - 622}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const Rect box = previewBox(s, c.orientation, R, grid, 1, 2);
        EXPECT_EQ(box, c.box);
        EXPECT_EQ(captionOrigin(c.orientation, box), c.caption);
        auto corners = selectionFrameCorners(s, c.orientation, R, grid, grid.cols + 2);
        EXPECT_EQ(corners.first, c.first);
        EXPECT_EQ(corners.opposite, c.opposite);
    }
}

TEST(StatusBarLayout, BarsTextOriginsAndViewRectangle)
{
    const int W = 1024, H = 768, T = 20, cw = 50;
    struct {
        int orientation;
        BarLayout game, music;
        Rect view;  // with both bars T thick
    } cases[] = {
        {0,
         {{0, H - T, W, H}, {6, H - T}, {W - cw - 6, H - T}},
         {{0, 0, W, T}, {6, 0}, {W - cw - 6, 0}},
         {0, T, W, H - T}},
        {180,
         {{0, 0, W, T}, {W - 6, T}, {cw + 6, T}},
         {{0, H - T, W, H}, {W - 6, H}, {cw + 6, H}},
         {0, T, W, H - T}},
        // Turned right: the game bar is the strip along the left screen edge, its text running
        // down from 6 pixels below the top.
        {90,
         {{0, 0, T, H}, {T, 6}, {T, H - cw - 6}},
         {{W - T, 0, W, H}, {W, 6}, {W, H - cw - 6}},
         {T, 0, W - T, H}},
        {-90,
         {{W - T, 0, W, H}, {W - T, H - 6}, {W - T, cw + 6}},
         {{0, 0, T, H}, {0, H - 6}, {0, cw + 6}},
         {T, 0, W - T, H}},
    };
    auto same = [](const BarLayout& a, const BarLayout& b) {
        return a.bar == b.bar && a.mainOrigin == b.mainOrigin && a.rightOrigin == b.rightOrigin;
    };
    for (auto& c : cases) {
        EXPECT_TRUE(same(gameBarLayout(c.orientation, W, H, T, cw), c.game)) << c.orientation;
        EXPECT_TRUE(same(musicBarLayout(c.orientation, W, H, T, cw), c.music)) << c.orientation;
        EXPECT_EQ(viewRectangle(c.orientation, W, H, T, T), c.view) << c.orientation;
        EXPECT_EQ(viewRectangle(c.orientation, W, H, 0, 0), (Rect{0, 0, W, H}));
    }
    // Each bar takes only its own side.
    EXPECT_EQ(viewRectangle(0, W, H, 20, 0), (Rect{0, 0, W, H - 20}));
    EXPECT_EQ(viewRectangle(180, W, H, 20, 0), (Rect{0, 20, W, H}));
    EXPECT_EQ(viewRectangle(90, W, H, 0, 16), (Rect{0, 0, W - 16, H}));
    EXPECT_EQ(viewRectangle(-90, W, H, 0, 16), (Rect{16, 0, W, H}));
}

TEST(StatusTexts, GameBar)
{
    GameRecord game;
    game.year = 1981;
    game.video = std::make_unique<VideoInfo>();
    game.video->screen = "vector";
    game.video->orientation = 0;
    auto texts = gameStatusTexts(game, 0, 1);
    EXPECT_EQ(texts.main,
              "Screen: Vector  Orientation: Horizontal  \xC2\xA9"
              "1981, Unknown");
    EXPECT_EQ(texts.right, "  1/1");
    game.video->screen = "Raster";  // only the exact lower-case value counts as raster
    game.video->orientation = 1;
    game.manufacturer = "Nintendo";
    EXPECT_EQ(gameStatusTexts(game, 41, 120).main,
              "Screen: Vector  Orientation: Vertical  \xC2\xA9"
              "1981, Nintendo");
    EXPECT_EQ(gameStatusTexts(game, 41, 120).right, "  42/120");
    game.video->screen = "raster";
    EXPECT_EQ(gameStatusTexts(game, 0, 1).main.substr(0, 14), "Screen: Raster");
    game.video.reset();
    EXPECT_EQ(gameStatusTexts(game, 0, 1).main,
              "Screen: Unknown  Orientation: Unknown  \xC2\xA9"
              "1981, Nintendo");
    // A very long manufacturer is cut to 255 bytes, at a character boundary.
    std::string maker;
    for (int i = 0; i < 200; ++i) maker += "\xC3\xA9";
    game.manufacturer = maker;
    std::string main = gameStatusTexts(game, 0, 1).main;
    EXPECT_LE(main.size(), 255u);
    EXPECT_GE(main.size(), 254u);
    EXPECT_EQ(static_cast<unsigned char>(main.back()), 0xA9);
}

TEST(StatusTexts, MusicBar)
{
    MusicStatus status;
    status.active = true;
    EXPECT_EQ(musicStatusTexts(status).main, "Music Stopped");
    EXPECT_EQ(musicStatusTexts(status).right, "");
    status.playing = true;
    status.title = "Theme";
    status.artist = "Band";
    status.positionMs = 3 * 60000 + 5900;
    status.lengthMs = 4 * 60000;
    EXPECT_EQ(musicStatusTexts(status).main, "Playing \"Theme\" by \"Band\"");
    EXPECT_EQ(musicStatusTexts(status).right, "  03:05/04:00");
    status.lengthMs = -1;  // a format without a length
    EXPECT_EQ(musicStatusTexts(status).right, "  03:05/00:00");
    status.paused = true;
    EXPECT_EQ(musicStatusTexts(status).right, "<< Paused >>");
    EXPECT_EQ(musicStatusTexts(status).main, "Playing \"Theme\" by \"Band\"");
    status.title.clear();
    status.artist.clear();
    const std::string untagged = musicStatusTexts(status).main;
    EXPECT_EQ(untagged.find("(null)"), std::string::npos);
    EXPECT_EQ(untagged, "Playing \"Unknown\" by \"Unknown\"");
    status.title = std::string(400, 'x');
    EXPECT_EQ(musicStatusTexts(status).main.size(), 255u);
}

TEST(Captions, CutWholeCharactersUntilTheyFit)
{
    auto font = Font::create("Liberation Sans", 8, 0, false);
    EXPECT_EQ(fitCaption(*font, "Galaga", 184), "Galaga");
    const std::string longText = "Ms. Pac-Man Plus, a description far too long for its box";
    const std::string cut = fitCaption(*font, longText, 100);
    EXPECT_LE(font->textWidth(cut), 100);
    EXPECT_GT(font->textWidth(cut + longText[cut.size()]), 100);  // nothing more fits
    EXPECT_EQ(longText.compare(0, cut.size(), cut), 0);
    // Multi-byte characters are removed whole, so the caption stays valid UTF-8.
    std::string accents;
    for (int i = 0; i < 60; ++i) accents += "\xC3\xA9\xE2\x82\xAC";  // é€
    const std::string cutAccents = fitCaption(*font, accents, 50);
    ASSERT_FALSE(cutAccents.empty());
    EXPECT_TRUE(cutAccents.size() % 5 == 0 || cutAccents.size() % 5 == 2);
    EXPECT_EQ(fitCaption(*font, "Galaga", 0), "");
    EXPECT_EQ(fitCaption(*font, std::string(5000, 'i'), 1000000).size(), 1023u);

    std::string text = "a\xE2\x82\xAC";
    removeLastCharacter(text);
    EXPECT_EQ(text, "a");
    removeLastCharacter(text);
    removeLastCharacter(text);
    EXPECT_EQ(text, "");
    text = "ab\x82\x82";  // stray continuation bytes go one at a time
    removeLastCharacter(text);
    EXPECT_EQ(text, "ab\x82");
    text = "\xE2\x82\xAC\xE2\x82\xAC";
    cutToBytes(text, 4);
    EXPECT_EQ(text, "\xE2\x82\xAC");
}
