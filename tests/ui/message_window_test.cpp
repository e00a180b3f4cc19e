#include "ui/message_window.h"

#include <gtest/gtest.h>

#include "display/font_cache.h"
#include "display/text_metrics.h"

TEST(MessageWindowLayout, RectanglesAndTextPoints)
{
    struct {
        int orientation, W, H, w, h;
        Rect expected;
    } cases[] = {
        {0, 1024, 768, 300, 20, {347, 359, 347 + 330, 359 + 50}},
        {180, 1024, 768, 300, 20, {347, 359, 347 + 330, 359 + 50}},
        // Wider than the screen: 30 narrower than the screen, at x = 15.
        {0, 1024, 768, 2000, 20, {15, 359, 15 + 994, 359 + 50}},
        // Turned: a tall strip, centred, at least 15 from the top.
        {90, 1024, 768, 300, 20, {487, 219, 487 + 50, 219 + 330}},
        {-90, 1024, 768, 300, 20, {487, 219, 487 + 50, 219 + 330}},
        {90, 1024, 768, 2000, 20, {487, 15, 487 + 50, 15 + 738}},
        // A screen too small for the margins gives no negative size.
        {0, 20, 20, 50, 10, {15, -10, 15, 30}},
    };
    for (auto& c : cases)
        EXPECT_EQ(messageWindowRect(c.orientation, c.W, c.H, c.w, c.h), c.expected)
            << c.orientation << " " << c.w;
    struct {
        int orientation;
        std::optional<Point> expected;
    } points[] = {{0, Point{15, 15}},
                  {180, Point{315, 35}},
                  {90, Point{315, 15}},
                  {-90, Point{15, 35}},
                  {45, std::nullopt}};
    for (auto& p : points)
        EXPECT_EQ(messageTextOrigin(p.orientation, 330, 50), p.expected) << p.orientation;
}

TEST(MessageWindow, ShowMoveAndClose)
{
    FakeScreen screen(1024, 768);
    FontCache fonts;
    LauncherSettings settings;
    settings.Fontface = "Liberation Sans";
    settings.Backgroundcolor = 0x00FFFF;  // yellow
    settings.Fontcolor = 0x000000;
    MessageWindow window(screen, fonts, settings);
    window.closeMessage();  // nothing shown: nothing happens
    EXPECT_EQ(screen.presentCount, 0);

    window.showMessage("Building Game List...");
    ASSERT_TRUE(window.isShown());
    const LayerId layer = window.layer();
    const Font& font = fonts.selectFont("Liberation Sans", 18, 0, 0);
    const Rect expected =
        messageWindowRect(0, 1024, 768, font.textWidth("Building Game List..."), font.lineHeight());
    EXPECT_EQ(screen.layerRect(layer), expected);
    EXPECT_EQ(screen.presentCount, 1);  // painted at once
    // On the screen: the window's background in the middle of the frame, with ink in it.
    EXPECT_EQ(screen.presented().pixel(expected.left + 2, expected.top + 2), 0xFFFFFF00u);
    int ink = 0;
    for (int x = expected.left; x < expected.right; ++x)
        if (screen.presented().pixel(x, expected.top + 15 + font.ascent() - 3) == 0xFF000000u)
            ++ink;
    EXPECT_GT(ink, 5);

    // A second text of the same width still reaches the screen; the same layer is reused.
    window.showMessage("Building Game List,,,");
    EXPECT_EQ(window.layer(), layer);
    EXPECT_EQ(screen.layerStack().layers().size(), 1u);
    EXPECT_EQ(screen.presentCount, 2);
    window.showMessage("Launching Game: Galaga...");
    EXPECT_EQ(screen.layerStack().layers().size(), 1u);
    EXPECT_EQ(window.text(), "Launching Game: Galaga...");

    window.closeMessage();
    EXPECT_FALSE(window.isShown());
    EXPECT_TRUE(screen.layerStack().layers().empty());
    EXPECT_EQ(screen.presented().pixel(expected.left + 2, expected.top + 2), 0xFF000000u);
    window.showMessage("Error Launching Mame!");  // a fresh window after closing
    EXPECT_TRUE(window.isShown());
    EXPECT_EQ(screen.layerStack().layers().size(), 1u);

    // An orientation other than the four: the window shows only its background.
    settings.CurrentOrientation = 45;
    window.showMessage("Nothing written");
    Canvas* canvas = screen.layerCanvas(window.layer());
    ASSERT_NE(canvas, nullptr);
    for (int y = 0; y < canvas->height(); ++y)
        for (int x = 0; x < canvas->width(); ++x) ASSERT_EQ(canvas->pixel(x, y), 0xFFFFFF00u);
}

TEST(MessageWindow, TurnedWindowIsATallStrip)
{
    FakeScreen screen(800, 600);
    FontCache fonts;
    LauncherSettings settings;
    settings.Fontface = "Liberation Sans";
    settings.CurrentOrientation = 90;
    MessageWindow window(screen, fonts, settings);
    window.showMessage("Reading mameinfo.dat...");
    const Font& font = fonts.selectFont("Liberation Sans", 18, 90, 0);
    auto rect = screen.layerRect(window.layer());
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->width(), font.lineHeight() + 30);
    EXPECT_EQ(rect->height(), font.textWidth("Reading mameinfo.dat...") + 30);
    EXPECT_GE(rect->top, 15);
}
