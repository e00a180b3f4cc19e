// The whole browse screen: both views in the four orientations (golden images), corner pictures
// and the selection frame kept inside the view, the bars and their repaint, the image browser's
// page cache, and bad input.
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "display/list_view.h"
#include "display/main_window.h"
#include "display/status_bars.h"
#include "support/golden.h"

namespace {

const std::pair<int, const char*> kOrientations[] = {{0, "0"}, {180, "180"}, {90, "90"},
                                                     {-90, "m90"}};

// The small catalogue on a browse screen of its own; each test changes the settings it needs.
class BrowseScreen : public testing::Test {
protected:
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    BrowsePosition position;
    BrowseDisplay display{settings, cat.table, position};
    const uint32_t barColour = argbFromColorref(settings.StatusBarBackColor);
};

}  // namespace

TEST_F(BrowseScreen, GoldenFramesInEveryOrientation)
{
    settings.PreviewModeWidth = 100;
    settings.PreviewModeHeight = 80;
    settings.PreviewModeSpacer = 12;
    display.setMusicStatusQuery([] { return playingAt(65000); });
    // A start-up's first frame leaves the corner pictures to the next one (the goldens below).
    display.holdCornerPictures(true);
    Canvas first(480, 360);
    position.selectedIndex = 1;
    display.composeFrame(first);
    EXPECT_EQ(display.pictures().decodeCount(), 0);
    display.holdCornerPictures(false);
    for (auto [orientation, name] : kOrientations) {
        SCOPED_TRACE(orientation);
        settings.CurrentOrientation = orientation;
        Canvas frame(480, 360);
        // List view on a clone (its parent's pictures).
        settings.MenuType = kMenuTypeListView;
        position.selectedIndex = 1;
        display.composeFrame(frame);
        EXPECT_TRUE(matchesGolden(frame, std::string("list_view_") + name));
        // The highlight band's far end, clear of pictures and text, in the highlight colour.
        const Font& font = display.fonts().selectFont("Liberation Sans", 18, orientation, 0);
        const Rect band = listHighlightBand(
            orientation, viewRectangle(orientation, 480, 360, display.gameBarThickness(),
                                       display.musicBarThickness()),
            1, font.lineHeight());
        const Point probe = orientation == 0     ? Point{band.left + 1, band.bottom - 1}
                            : orientation == 180 ? Point{band.right - 2, band.top}
                            : orientation == 90  ? Point{band.left, band.top + 1}
                                                 : Point{band.right - 1, band.bottom - 2};
        EXPECT_EQ(frame.pixel(probe.x, probe.y), argbFromColorref(settings.HighlightBackcolor));
        // Image browser on a long caption without a picture.
        settings.MenuType = kMenuTypeImageBrowser;
        position.selectedIndex = 4;
        position.pageDirty = true;
        display.composeFrame(frame);
        EXPECT_TRUE(matchesGolden(frame, std::string("image_browser_") + name));
    }
}

// The music bar is redrawn every second: only a change reaches the display, and then only the
// bar; when the bar appears or vanishes the whole frame moves.
TEST_F(BrowseScreen, MusicBarRepaintsOnlyWhatChanged)
{
    settings.CurrentOrientation = 90;
    MusicStatus status;  // jukebox not active: no music bar
    display.setMusicStatusQuery([&status] { return status; });
    FakeScreen screen(320, 240);
    auto barAt = [&](int x, int y) { return screen.presented().pixel(x, y) == barColour; };
    display.repaintAll(screen);
    const int T = display.gameBarThickness();
    EXPECT_EQ(display.musicBarThickness(), 0);
    EXPECT_TRUE(barAt(0, 120));
    display.repaintMusicBar(screen);
    EXPECT_EQ(screen.presentCount, 1);

    status = playingAt(1000);  // appears: the view moves, the whole frame is presented
    display.repaintMusicBar(screen);
    EXPECT_EQ(display.musicBarThickness(), T);
    EXPECT_EQ(screen.presentCount, 2);
    EXPECT_FALSE(screen.lastPresentArea);
    EXPECT_TRUE(barAt(319, 120));
    display.repaintMusicBar(screen);  // same texts: nothing drawn, nothing presented
    EXPECT_EQ(screen.presentCount, 2);
    status.positionMs = 2000;
    display.repaintMusicBar(screen);
    EXPECT_EQ(screen.presentCount, 3);
    EXPECT_EQ(screen.lastPresentArea, (Rect{320 - T, 0, 320, 240}));
    status.active = false;  // vanishes
    display.repaintMusicBar(screen);
    EXPECT_EQ(display.musicBarThickness(), 0);
    EXPECT_FALSE(barAt(319, 120));
    status.active = true;
    display.repaintAll(screen);
    settings.CurrentOrientation = -90;  // turned since the last composition: all of it again
    status.positionMs = 3000;
    display.repaintMusicBar(screen);
    EXPECT_FALSE(screen.lastPresentArea);
    EXPECT_TRUE(barAt(0, 120) && barAt(319, 120));

    // A new screen size: the frame is composed and presented whole at that size.
    screen.resize(200, 300);
    display.screenResized(screen);
    EXPECT_EQ(screen.presented().width(), 200);
    EXPECT_TRUE(barAt(0, 299) && barAt(199, 299));

    settings.ShowStatusBar = settings.ShowMusicStatusBar = 0;
    status.active = true;
    display.composeFrame(screen.frame());
    EXPECT_EQ(display.gameBarThickness() + display.musicBarThickness(), 0);
}

TEST_F(BrowseScreen, ImageBrowserRebuildsItsPageOnlyWhenNeeded)
{
    settings.MenuType = kMenuTypeImageBrowser;
    settings.PreviewModeWidth = 60;
    settings.PreviewModeHeight = 50;
    settings.PreviewModeSpacer = 10;
    Canvas frame(300, 200);  // 4 columns, 2 rows: all 6 games on one page
    display.composeFrame(frame);
    const int decodes = display.pictures().decodeCount();
    position.selectedIndex = 5;  // same page: no rebuild, no decode
    display.composeFrame(frame);
    EXPECT_EQ(display.imageBrowser().rebuildCount(), 1);
    EXPECT_EQ(display.pictures().decodeCount(), decodes);
    position.pageDirty = true;
    display.composeFrame(frame);
    EXPECT_EQ(display.imageBrowser().rebuildCount(), 2);
    EXPECT_FALSE(position.pageDirty);

    Canvas narrow(230, 150);  // 3 columns, 1 row: selecting game 4 moves the page
    position.selectedIndex = position.firstVisibleIndex = 0;
    display.composeFrame(narrow);
    position.selectedIndex = 4;
    display.composeFrame(narrow);
    EXPECT_EQ(position.firstVisibleIndex, 3);
    EXPECT_EQ(display.imageBrowser().rebuildCount(), 4);
}

// Whatever a corner picture's size, on any screen and in every orientation, nothing of it lands
// outside the view: the bars and the background there are exactly as without pictures.
TEST_F(BrowseScreen, CornerPicturesStayInsideTheViewWhateverTheirSize)
{
    TempFolder none;
    settings.FlyerDir = cat.snaps;  // screenshot and flyer alike
    LauncherSettings without = displaySettings(none.dir(), none.dir());
    BrowseDisplay bare(without, cat.table, position);
    // {picture w, h, orientations tried (the largest in one only: it is slow)}
    const std::tuple<int, int, std::vector<int>> cases[] = {
        {1200, 1700, {0, 180, 90, -90}},
        {1, 1, {0, 180, 90, -90}},
        {1, 8000, {0, 180, 90, -90}},
        {8000, 8000, {90}},
    };
    for (const auto& [pw, ph, orientations] : cases) {
        ASSERT_TRUE(savePicturePng(quadrantPicture(pw, ph), cat.snaps + "/pacman.png"));
        for (auto [W, H] : {std::pair{1024, 768}, {320, 240}}) {
            if (pw == 8000 && ph == 8000 && W != 320) continue;
            for (int orientation : orientations) {
                SCOPED_TRACE(std::to_string(pw) + "x" + std::to_string(ph) + " on " +
                             std::to_string(W) + "x" + std::to_string(H) + " turned " +
                             std::to_string(orientation));
                settings.CurrentOrientation = without.CurrentOrientation = orientation;
                Canvas a(W, H), b(W, H);
                display.composeFrame(a);
                bare.composeFrame(b);
                const Rect view = viewRectangle(orientation, W, H, display.gameBarThickness(),
                                                display.musicBarThickness());
                ASSERT_GT(display.gameBarThickness(), 0);
                const long inside = differingPixels(a, b, view);
                EXPECT_EQ(differingPixels(a, b, {0, 0, W, H}), inside);
                EXPECT_GT(inside, 0);  // and it is drawn
            }
        }
    }
}

// The image browser's selection frame on the first row, with a music bar thicker than the gap
// between cells, leaves the bar as it is when a later row is selected.
TEST_F(BrowseScreen, SelectionFrameLeavesTheMusicBarAlone)
{
    settings.MenuType = kMenuTypeImageBrowser;
    settings.PreviewModeWidth = settings.PreviewModeHeight = 60;
    settings.PreviewModeSpacer = 6;
    display.setMusicStatusQuery([] { return playingAt(0); });
    for (int orientation : {0, 180, 90, -90}) {
        SCOPED_TRACE(orientation);
        settings.CurrentOrientation = orientation;
        Canvas first(320, 240), later(320, 240);
        position.selectedIndex = 0;
        display.composeFrame(first);
        position.selectedIndex = 5;  // the second row: its frame stays inside the view
        display.composeFrame(later);
        const int T = display.musicBarThickness();
        ASSERT_GT(T, 6);
        const Rect bar = musicBarLayout(orientation, 320, 240, T, 0).bar;  // the viewer's top edge
        EXPECT_EQ(differingPixels(first, later, bar), 0);
    }
}

// Bad input: degenerate frames (smaller than one bar, empty, negative), a 5,000-character
// description, font sizes 0 and 400, a face that does not exist, boxes of no size. Nothing
// hangs, crashes or reads outside a canvas (the sanitizer build checks the last).
TEST_F(BrowseScreen, BadInputNeitherHangsNorCrashes)
{
    cat.table.games[5]->description = std::string(5000, 'W');
    position.selectedIndex = 5;
    position.firstVisibleIndex = 2;
    display.setMusicStatusQuery([] { return playingAt(0); });
    for (int menuType : {kMenuTypeListView, kMenuTypeImageBrowser})
        for (int orientation : {0, 180, 90, -90, 45})
            for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {10, 5}, {-5, -5}, {2000, 5}, {5, 2000}}) {
                settings.MenuType = menuType;
                settings.CurrentOrientation = orientation;
                Canvas frame(w, h);
                display.composeFrame(frame);
                EXPECT_GE(position.firstVisibleIndex, 0);
                EXPECT_LT(position.firstVisibleIndex, 6);
            }
    for (int size : {0, 400, -3}) {
        settings.Fontsize = settings.StatusBarFontSize = settings.PreviewFontSize = size;
        settings.Fontface = "No Such Face";
        settings.PreviewModeWidth = size;
        settings.PreviewModeHeight = -10;
        position.selectedIndex = 99;  // outside the list: drawn clamped
        for (int menuType : {kMenuTypeListView, kMenuTypeImageBrowser}) {
            settings.MenuType = menuType;
            settings.CurrentOrientation = 0;
            Canvas frame(200, 150);
            display.composeFrame(frame);
        }
        EXPECT_GE(display.countTextLines(800, 600, 0), 0);
    }
    GameTable empty;  // an empty view in a frame too small for its text
    BrowseDisplay none(settings, empty, position);
    Canvas frame(20, 10);
    none.composeFrame(frame);
    EXPECT_EQ(frame.pixel(19, 9), argbFromColorref(settings.PreviewBackgroundcolor));
}

// A catalogue whose games all fail the ROM folder or the filters: no bars, a centred text that
// says why, turned with the screen; the music bar's refresh leaves it alone.
TEST_F(BrowseScreen, EmptyViewSaysWhyInEveryOrientation)
{
    cat.table.filtered.clear();
    settings.RomsDir = "/home/arcade/roms";
    display.setMusicStatusQuery([] { return playingAt(65000); });
    for (auto [orientation, name] : kOrientations) {
        settings.CurrentOrientation = orientation;
        FakeScreen screen(480, 360);
        display.repaintAll(screen);
        EXPECT_EQ(display.gameBarThickness() + display.musicBarThickness(), 0);
        EXPECT_TRUE(matchesGolden(screen.presented(), std::string("empty_view_") + name));
        display.repaintMusicBar(screen);
        EXPECT_EQ(screen.presentCount, 1);
    }
}

TEST(FontCache, OneEntryPerKeyAndTheLongestUnusedGoes)
{
    FontCache cache;
    const Font& plain = cache.selectFont("Liberation Sans", 18, 0, 0);
    EXPECT_EQ(&cache.selectFont("Liberation Sans", 18, 0, 0), &plain);
    cache.selectFont("Liberation Sans", 18, 0, 1);
    cache.selectFont("liberation sans", 18, 0, 0);  // the face is compared byte for byte
    cache.selectFont("Liberation Sans", 18, 90, 0);
    cache.selectFont("Liberation Sans", 18, 0, 2);  // the highlight value itself is the key
    const std::string longFace(40, 'F');
    cache.selectFont(longFace, 12, 0, 0);
    cache.selectFont(longFace.substr(0, 31), 12, 0, 0);  // the key keeps the whole name
    EXPECT_EQ(cache.size(), 7);
    EXPECT_EQ(cache.selectFont("Liberation Sans", 18, -90, 0).escapement(), 900);
    // Settings changed again and again: the cache stays at its capacity, the font in steady use
    // is never made again, and the fonts a drawing holds at once stay valid (read under ASan).
    const int made = cache.made();
    const int sizes = 3 * FontCache::kCapacity;
    for (int size = 30; size < 30 + sizes; ++size) {
        const Font& steady = cache.selectFont("Liberation Sans", 18, 0, 0);
        const Font& changed = cache.selectFont("Liberation Sans", size, 0, 0);
        EXPECT_EQ(steady.pixelHeight(), 24);
        EXPECT_EQ(changed.pixelHeight(), fontPixelHeight(size));
    }
    EXPECT_EQ(cache.size(), FontCache::kCapacity);
    EXPECT_EQ(cache.made(), made + sizes);
    cache.selectFont("Liberation Sans", 18, 0, 1);  // long unused: made again
    EXPECT_EQ(cache.made(), made + sizes + 1);
}
