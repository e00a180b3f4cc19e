#include "ui/message_window.h"

#include <tuple>

#include <gtest/gtest.h>

#include "display/font_cache.h"
#include "display/text_metrics.h"

TEST(MessageWindowLayout, RectanglesAndTextPoints)
{
    // {orientation, screen width, height, text width, height, expected}: 180 and -90 are placed
    // as 0 and 90.
    const std::tuple<int, int, int, int, int, Rect> cases[] = {
        {0, 1024, 768, 300, 20, {347, 359, 677, 409}},
        {0, 1024, 768, 2000, 20, {15, 359, 1009, 409}},  // wider than the screen: 15 in
        {90, 1024, 768, 300, 20, {487, 219, 537, 549}},  // turned: a tall strip
        {-90, 1024, 768, 2000, 20, {487, 15, 537, 753}},
        {0, 20, 20, 50, 10, {15, -10, 15, 30}},  // too small a screen: no negative size
    };
    for (const auto& [orientation, W, H, w, h, expected] : cases)
        EXPECT_EQ(messageWindowRect(orientation, W, H, w, h), expected) << orientation << " " << w;
    // The text's reference point in a 330 x 50 window; no such orientation: no text.
    const std::pair<int, std::optional<Point>> points[] = {
        {0, Point{15, 15}}, {180, Point{315, 35}}, {90, Point{315, 15}},
        {-90, Point{15, 35}}, {45, std::nullopt}};
    for (const auto& [orientation, expected] : points)
        EXPECT_EQ(messageTextOrigin(orientation, 330, 50), expected) << orientation;
}

TEST(MessageWindow, ShowReuseAndClose)
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
    const Font& font = fonts.selectFont("Liberation Sans", 18, 0, 0);
    const Rect expected =
        messageWindowRect(0, 1024, 768, font.textWidth("Building Game List..."), font.lineHeight());
    EXPECT_EQ(screen.layerRect(window.layer()), expected);
    EXPECT_EQ(screen.presentCount, 1);  // painted before it is presented (the golden shows how)
    EXPECT_EQ(screen.presented().pixel(expected.left + 6, expected.top + 6), 0xFFFFFF00u);

    const LayerId layer = window.layer();
    window.showMessage("Building Game List,,,");  // same width: still presented, same layer
    EXPECT_EQ(window.layer(), layer);
    EXPECT_EQ(screen.presentCount, 2);
    window.closeMessage();
    EXPECT_TRUE(screen.layerStack().layers().empty());
    EXPECT_EQ(screen.presented().pixel(expected.left + 6, expected.top + 6), 0xFF000000u);
}
