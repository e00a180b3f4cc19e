// The whole browse screen: composition, bars, both views in the four orientations (golden
// images), the image browser's page cache, and degenerate frames.
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "display/list_view.h"
#include "display/main_window.h"
#include "display/status_bars.h"
#include "display/text_metrics.h"
#include "support/golden.h"

namespace {

MusicStatusQuery playing()
{
    return [] {
        MusicStatus s;
        s.active = true;
        s.playing = true;
        s.title = "Galactic Dancing";
        s.artist = "The Arcade Band";
        s.positionMs = 65000;
        s.lengthMs = 241000;
        return s;
    };
}

const char* orientationName(int orientation)
{
    switch (orientation) {
        case 180:
            return "180";
        case 90:
            return "90";
        case -90:
            return "m90";
        default:
            return "0";
    }
}

}  // namespace

TEST(BrowseDisplay, ListViewGoldenInEveryOrientation)
{
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    BrowsePosition position;
    position.selectedIndex = 1;  // a clone: its parent's screenshot and flyer
    BrowseDisplay display(settings, cat.table, position);
    display.setMusicStatusQuery(playing());
    for (int orientation : {0, 180, 90, -90}) {
        SCOPED_TRACE(orientation);
        settings.CurrentOrientation = orientation;
        Canvas frame(480, 360);
        display.composeFrame(frame);
        EXPECT_GT(display.gameBarThickness(), 0);
        EXPECT_GT(display.musicBarThickness(), 0);
        EXPECT_TRUE(matchesGolden(frame, std::string("list_view_") + orientationName(orientation)));

        // The highlight band of the selected line, in the highlight colour, inside the view.
        const Font& font = display.fonts().selectFont("Liberation Sans", 18, orientation, 0);
        const Rect view = viewRectangle(orientation, 480, 360, display.gameBarThickness(),
                                        display.musicBarThickness());
        const Rect band = listHighlightBand(orientation, view, 1, font.lineHeight());
        // Sample the band's far end, clear of pictures and text.
        Point probe;
        switch (orientation) {
            case 0:
                probe = {band.left + 1, band.bottom - 1};
                break;
            case 180:
                probe = {band.right - 2, band.top};
                break;
            case 90:
                probe = {band.left, band.top + 1};
                break;
            default:
                probe = {band.right - 1, band.bottom - 2};
                break;
        }
        EXPECT_EQ(frame.pixel(probe.x, probe.y), argbFromColorref(settings.HighlightBackcolor));
    }
}

TEST(BrowseDisplay, ImageBrowserGoldenInEveryOrientation)
{
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    settings.MenuType = kMenuTypeImageBrowser;
    settings.PreviewModeWidth = 100;
    settings.PreviewModeHeight = 80;
    settings.PreviewModeSpacer = 12;
    BrowsePosition position;
    position.selectedIndex = 4;  // a long caption, no picture
    BrowseDisplay display(settings, cat.table, position);
    display.setMusicStatusQuery(playing());
    for (int orientation : {0, 180, 90, -90}) {
        SCOPED_TRACE(orientation);
        settings.CurrentOrientation = orientation;
        position.pageDirty = true;
        Canvas frame(480, 360);
        display.composeFrame(frame);
        EXPECT_TRUE(
            matchesGolden(frame, std::string("image_browser_") + orientationName(orientation)));
    }
}

TEST(BrowseDisplay, EmptyCatalogueShowsOnlyTheBackground)
{
    GameTable empty;
    LauncherSettings settings = displaySettings("/nonexistent", "/nonexistent");
    BrowsePosition position;
    BrowseDisplay display(settings, empty, position);
    display.setMusicStatusQuery(playing());
    for (int menuType : {kMenuTypeListView, kMenuTypeImageBrowser}) {
        settings.MenuType = menuType;
        Canvas frame(200, 100);
        display.composeFrame(frame);
        display.drawMusicBarOnly(frame);
        const uint32_t background =
            argbFromColorref(menuType == kMenuTypeListView ? settings.Backgroundcolor
                                                           : settings.PreviewBackgroundcolor);
        for (int y = 0; y < 100; y += 7)
            for (int x = 0; x < 200; x += 7) ASSERT_EQ(frame.pixel(x, y), background);
        EXPECT_EQ(display.gameBarThickness(), 0);
        EXPECT_EQ(display.musicBarThickness(), 0);
    }
}

TEST(BrowseDisplay, BarsComeAndGoWithTheirSettings)
{
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    BrowsePosition position;
    BrowseDisplay display(settings, cat.table, position);
    Canvas frame(320, 240);
    const int T = display.fonts().selectFont("Liberation Sans", 12, 0, 0).lineHeight();

    display.composeFrame(frame);  // no music query: no music bar
    EXPECT_EQ(display.gameBarThickness(), T);
    EXPECT_EQ(display.musicBarThickness(), 0);
    display.setMusicStatusQuery([] { return MusicStatus{}; });  // jukebox not active
    display.composeFrame(frame);
    EXPECT_EQ(display.musicBarThickness(), 0);
    display.setMusicStatusQuery(playing());
    display.composeFrame(frame);
    EXPECT_EQ(display.musicBarThickness(), T);
    EXPECT_EQ(frame.pixel(100, 0), argbFromColorref(settings.StatusBarBackColor));
    EXPECT_EQ(frame.pixel(100, 239), argbFromColorref(settings.StatusBarBackColor));
    settings.ShowStatusBar = 0;
    settings.ShowMusicStatusBar = 0;
    display.composeFrame(frame);
    EXPECT_EQ(display.gameBarThickness(), 0);
    EXPECT_EQ(display.musicBarThickness(), 0);
    EXPECT_EQ(frame.pixel(300, 239), argbFromColorref(settings.Backgroundcolor));

    // In orientation 90 the game bar runs along the left edge and the music bar the right.
    settings.ShowStatusBar = 1;
    settings.ShowMusicStatusBar = 1;
    settings.CurrentOrientation = 90;
    display.composeFrame(frame);
    EXPECT_EQ(frame.pixel(0, 120), argbFromColorref(settings.StatusBarBackColor));
    EXPECT_EQ(frame.pixel(319, 120), argbFromColorref(settings.StatusBarBackColor));
    EXPECT_EQ(frame.pixel(T + 1, 230), argbFromColorref(settings.Backgroundcolor));

    // The music bar repainted alone, on a fake screen.
    FakeScreen screen(320, 240);
    display.repaintAll(screen);
    EXPECT_EQ(screen.presentCount, 1);
    screen.frame().fillRect({300, 0, 320, 240}, 0x00FF00);
    display.repaintMusicBar(screen);
    EXPECT_EQ(screen.presentCount, 2);
    EXPECT_EQ(screen.presented().pixel(319, 120), argbFromColorref(settings.StatusBarBackColor));
}

TEST(BrowseDisplay, ImageBrowserRebuildsItsPageOnlyWhenNeeded)
{
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    settings.MenuType = kMenuTypeImageBrowser;
    settings.PreviewModeWidth = 60;
    settings.PreviewModeHeight = 50;
    settings.PreviewModeSpacer = 10;
    BrowsePosition position;
    BrowseDisplay display(settings, cat.table, position);
    Canvas frame(300, 200);  // 4 columns, 2 rows: a page of 8, all 6 games
    display.composeFrame(frame);
    EXPECT_EQ(display.imageBrowser().rebuildCount(), 1);
    EXPECT_FALSE(position.pageDirty);
    const int decodes = display.pictures().decodeCount();
    position.selectedIndex = 5;  // same page
    display.composeFrame(frame);
    EXPECT_EQ(display.imageBrowser().rebuildCount(), 1);
    EXPECT_EQ(display.pictures().decodeCount(), decodes);
    position.pageDirty = true;
    display.composeFrame(frame);
    EXPECT_EQ(display.imageBrowser().rebuildCount(), 2);
    EXPECT_FALSE(position.pageDirty);

    // Smaller boxes' pages (3 a page): selecting game 4 moves the page, which rebuilds.
    Canvas narrow(230, 150);  // 3 columns, 1 row
    position.selectedIndex = 0;
    position.firstVisibleIndex = 0;
    display.composeFrame(narrow);
    const int before = display.imageBrowser().rebuildCount();
    position.selectedIndex = 4;
    display.composeFrame(narrow);
    EXPECT_EQ(position.firstVisibleIndex, 3);
    EXPECT_EQ(display.imageBrowser().rebuildCount(), before + 1);
    // Cells past the end stay in the background colour: the page of 3..5 is full, 6.. absent.
    position.selectedIndex = 5;
    display.composeFrame(narrow);
    EXPECT_EQ(position.firstVisibleIndex, 3);
}

TEST(BrowseDisplay, DegenerateFramesNeitherHangNorCrash)
{
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    BrowsePosition position;
    position.selectedIndex = 5;
    position.firstVisibleIndex = 2;
    BrowseDisplay display(settings, cat.table, position);
    display.setMusicStatusQuery(playing());
    for (int menuType : {kMenuTypeListView, kMenuTypeImageBrowser})
        for (int orientation : {0, 180, 90, -90, 45})
            for (auto size : {std::pair{0, 0}, std::pair{1, 1}, std::pair{10, 10},
                              std::pair{-5, -5}, std::pair{2000, 5}, std::pair{5, 2000}}) {
                settings.MenuType = menuType;
                settings.CurrentOrientation = orientation;
                Canvas frame(size.first, size.second);
                display.composeFrame(frame);
                display.drawMusicBarOnly(frame);
                EXPECT_GE(position.firstVisibleIndex, 0);
                EXPECT_LT(position.firstVisibleIndex, 6);
            }
    // Absurd settings: zero and negative font sizes and boxes, a face that does not exist.
    settings.Fontsize = 0;
    settings.StatusBarFontSize = -3;
    settings.Fontface = "No Such Face";
    settings.PreviewModeWidth = 0;
    settings.PreviewModeHeight = -10;
    settings.PreviewModeSpacer = 0;
    position.selectedIndex = 99;  // outside the list: drawn clamped
    for (int menuType : {kMenuTypeListView, kMenuTypeImageBrowser}) {
        settings.MenuType = menuType;
        Canvas frame(200, 150);
        display.composeFrame(frame);
    }
    EXPECT_EQ(display.countPreviewColumns(800, 600), 0);
    EXPECT_GE(display.countTextLines(800, 600, 0), 0);
}

TEST(BrowseDisplay, PageSizesForTheController)
{
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    BrowsePosition position;
    BrowseDisplay display(settings, cat.table, position);
    const int L = display.fonts().selectFont("Liberation Sans", 18, 0, 0).lineHeight();
    EXPECT_EQ(display.countTextLines(1024, 768, 20), (768 - 20) / L);
    settings.CurrentOrientation = -90;
    EXPECT_EQ(display.countTextLines(1024, 768, 20), (1024 - 20) / L);
    settings.CurrentOrientation = 0;
    EXPECT_EQ(display.countPreviewColumns(800, 600), 3);
    const int Lc = display.fonts().selectFont("Liberation Sans", 8, 0, 0).lineHeight();
    EXPECT_EQ(display.countPreviewRows(800, 600, 20), (600 - 20 - 20) / (Lc + 264));
}

TEST(FontCache, OneEntryPerKey)
{
    FontCache cache;
    const Font& plain = cache.selectFont("Liberation Sans", 18, 0, 0);
    const Font& bold = cache.selectFont("Liberation Sans", 18, 0, 1);
    EXPECT_NE(&plain, &bold);
    EXPECT_EQ(cache.size(), 2);
    EXPECT_EQ(&cache.selectFont("Liberation Sans", 18, 0, 0), &plain);
    EXPECT_EQ(&cache.selectFont("Liberation Sans", 18, 0, 1), &bold);
    EXPECT_EQ(cache.size(), 2);
    cache.selectFont("liberation sans", 18, 0, 0);  // the face is compared byte for byte
    cache.selectFont("Liberation Sans", 18, 90, 0);
    cache.selectFont("Liberation Sans", 18, 0, 2);  // the highlight value itself is the key
    EXPECT_EQ(cache.size(), 5);
    const std::string longFace(40, 'F');
    cache.selectFont(longFace, 12, 0, 0);
    cache.selectFont(longFace.substr(0, 31), 12, 0, 0);  // the key keeps the whole name
    EXPECT_EQ(cache.size(), 7);
    EXPECT_EQ(cache.selectFont("Liberation Sans", 18, 90, 0).escapement(), -900);
    EXPECT_EQ(cache.selectFont("Liberation Sans", 18, -90, 0).escapement(), 900);
}
