// Layout numbers of the browse screen and the bar texts. The golden frames prove the placement in
// all four orientations; the worked examples here point at the function when one goes wrong.
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "display/image_browser.h"
#include "display/main_window.h"
#include "display/page_scroll.h"
#include "display/status_bars.h"
#include "display/text_metrics.h"

TEST(PageScroll, WorkedExamplesAndDegenerateInput)
{
    // {selected, first, page size, count, expected first}
    const int cases[][5] = {
        {9, 0, 10, 100, 0},     // inside: nothing moves
        {10, 0, 10, 100, 10},   // one past the page: the selection lands on the first line
        {24, 0, 10, 25, 15},    // 10, then 20 clamped to 15: the last page ends at the last game
        {3, 95, 10, 100, 0},    // a jump back pages down to 0
        {5, 15, 10, 100, 5},    // one page back keeps the pages' alignment: not to 0
        {19, 6, 6, 20, 14},     // image browser pages of 3 x 2: 12, 18 clamped to 14
        {5, 30, 0, 10, 9},      // a view smaller than one line ends at once, inside the list
        {5, 3, -4, 10, 3},
        {0, 0, 10, 0, 0},       // empty catalogue
        {50, 0, 10, 20, 10},    // a selection beyond the list counts as the last entry
        {-3, 7, 10, 20, 0},
        {2000000000, 0, 1, 2100000000, 2000000000},
    };
    for (auto& c : cases)
        EXPECT_EQ(scrollByPages(c[0], c[1], c[2], c[3]), c[4])
            << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
}

// The band and text places are proven by the golden frames; with six games there, how many
// lines fit along a turned screen is not.
TEST(ListViewLayout, LinesRunAlongTheTurnedSideAndNeverBelowZero)
{
    auto font = Font::create("Liberation Sans", 18, 0, false);
    EXPECT_EQ(countTextLines(*font, 90, 1024, 600, 30), (1024 - 30) / font->lineHeight());
    EXPECT_EQ(countTextLines(*font, 0, 1024, 10, 40), 0);
}

TEST(ImageBrowserLayout, NonsenseAndExtremeSettingsGiveNoCellsNotACrash)
{
    LauncherSettings s;  // boxes 184 x 244, spacer 20
    EXPECT_EQ(imageBrowserGeometry(s, 0, 13, Rect{0, 0, 30, 30}, 0).pageSize, 0);
    s.PreviewModeWidth = -20;  // settings that make no sense give no cells, not a crash
    s.PreviewModeHeight = -1000;
    EXPECT_EQ(countPreviewColumns(s, 0, 800, 600), 0);
    const auto caption = Font::create("Liberation Sans", 8, 0, false);
    EXPECT_EQ(countPreviewRows(*caption, s, 0, 800, 600, 0), 0);

    // Box sizes and gaps near the 32-bit limits: no overflow (the sanitizer build checks) and no
    // negative page.
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const Rect R{0, 30, 1024, 740};
    for (int w : {kMax, kMin, 184})
        for (int h : {kMax, kMin, 244})
            // Pitches across of 1 and 0, and down of 0.
            for (int gap : {kMax, kMin, 20, 1 - 184, -184, -244 - 13}) {
                s.PreviewModeWidth = w;
                s.PreviewModeHeight = h;
                s.PreviewModeSpacer = gap;
                for (int orientation : {0, 180, 90, -90}) {
                    const auto geometry = imageBrowserGeometry(s, orientation, 13, R, 20);
                    EXPECT_GE(geometry.pageSize, 0);
                    const Rect cell = previewBox(s, orientation, R, geometry, 3, 5);
                    // Within 2^30, so that its width and height can be taken.
                    EXPECT_LE(std::max(std::abs(cell.left), std::abs(cell.right)), 1 << 30);
                    selectionFrameCorners(s, orientation, R, geometry, 7);
                }
            }
}

TEST(StatusBarLayout, BarsTextOriginsAndViewRectangle)
{
    const int W = 1024, H = 768, T = 20, cw = 50;
    EXPECT_EQ(gameBarLayout(-90, W, H, T, cw).bar, (Rect{W - T, 0, W, H}));
    EXPECT_EQ(musicBarLayout(-90, W, H, T, cw).bar, (Rect{0, 0, T, H}));
    // Texts 6 pixels in from the ends: {orientation, game main, game right, music main, music
    // right}, as x, y pairs.
    const int origins[][9] = {{0, 6, 748, 968, 748, 6, 0, 968, 0},
                              {180, 1018, 20, 56, 20, 1018, 768, 56, 768},
                              {90, 20, 6, 20, 712, 1024, 6, 1024, 712},
                              {-90, 1004, 762, 1004, 56, 0, 762, 0, 56}};
    for (auto& o : origins) {
        const BarLayout game = gameBarLayout(o[0], W, H, T, cw);
        const BarLayout music = musicBarLayout(o[0], W, H, T, cw);
        EXPECT_EQ((std::vector{game.mainOrigin, game.rightOrigin, music.mainOrigin,
                               music.rightOrigin}),
                  (std::vector<Point>{{o[1], o[2]}, {o[3], o[4]}, {o[5], o[6]}, {o[7], o[8]}}))
            << o[0];
    }
    EXPECT_EQ(viewRectangle(-90, W, H, T, T), (Rect{T, 0, W - T, H}));
    // Each bar takes only its own side.
    EXPECT_EQ(viewRectangle(180, W, H, 20, 0), (Rect{0, 20, W, H}));
    EXPECT_EQ(viewRectangle(-90, W, H, 0, 16), (Rect{16, 0, W, H}));
}

TEST(StatusTexts, GameAndMusicBars)
{
    GameRecord game;
    game.year = 1981;
    game.video = std::make_unique<VideoInfo>();
    game.video->screen = "lcd";  // every type but "vector" counts as raster
    game.video->orientation = 1;
    auto texts = gameStatusTexts(game, 41, 120);
    EXPECT_EQ(texts.main, "Screen: Raster  Orientation: Vertical  \xC2\xA9" "1981, Unknown");
    EXPECT_EQ(texts.right, "  42/120");
    game.video.reset();
    game.manufacturer = std::string(5000, 'x');  // cut to 255 bytes
    texts = gameStatusTexts(game, 0, 1);
    EXPECT_EQ(texts.main.substr(0, 40), "Screen: Unknown  Orientation: Unknown  \xC2");
    EXPECT_EQ(texts.main.size(), 255u);

    MusicStatus status;
    status.active = true;
    EXPECT_EQ(musicStatusTexts(status).main, "Music Stopped");
    status.playing = true;
    status.positionMs = 3 * 60000 + 5900;
    status.lengthMs = -1;  // a format without a length
    texts = musicStatusTexts(status);
    EXPECT_EQ(texts.main, "Playing \"Unknown\" by \"Unknown\"");  // untagged
    EXPECT_EQ(texts.right, "  03:05/00:00");
    status.paused = true;
    EXPECT_EQ(musicStatusTexts(status).right, "<< Paused >>");
}

TEST(Captions, CutWholeCharactersUntilTheyFit)
{
    auto font = Font::create("Liberation Sans", 8, 0, false);
    const std::string longText = "Ms. Pac-Man Plus, a description far too long for its box";
    const std::string cut = fitCaption(*font, longText, 100);
    EXPECT_LE(font->textWidth(cut), 100);
    EXPECT_GT(font->textWidth(cut + longText[cut.size()]), 100);  // nothing more fits
    EXPECT_EQ(longText.compare(0, cut.size(), cut), 0);
    // Multi-byte characters go whole, so the caption stays valid UTF-8.
    std::string accents;
    for (int i = 0; i < 60; ++i) accents += "\xC3\xA9\xE2\x82\xAC";  // é€
    const std::string cutAccents = fitCaption(*font, accents, 50);
    ASSERT_FALSE(cutAccents.empty());
    EXPECT_TRUE(cutAccents.size() % 5 == 0 || cutAccents.size() % 5 == 2);
    EXPECT_EQ(fitCaption(*font, std::string(5000, 'i'), 1000000).size(), 1023u);
    std::string text = "ab\x82\x82";  // stray continuation bytes go one at a time
    removeLastCharacter(text);
    EXPECT_EQ(text, "ab\x82");
}
