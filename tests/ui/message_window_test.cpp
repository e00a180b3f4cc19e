// The message shown while the launcher works, and the box that waits for the player.
#include "ui/message_window.h"

#include <tuple>

#include <gtest/gtest.h>

#include "display/text_metrics.h"
#include "menu_test_harness.h"
#include "ui/message_box_window.h"

TEST(MessageLayout, WindowAndBoxRectanglesAndTextPoints)
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

    // The box, {orientation, screen, text width, lines, expected}: lines of 20, 38 pixels of
    // margins and frame; turned, a tall strip; too wide, held 15 pixels inside; a tiny screen, no
    // size.
    const std::tuple<int, int, int, int, int, Rect> boxes[] = {
        {0, 1024, 768, 300, 3, {343, 335, 681, 433}},
        {90, 1024, 768, 300, 3, {463, 215, 561, 553}},
        {0, 1024, 768, 5000, 1, {15, 355, 1009, 413}},
        {-90, 20, 20, 50, 2, {10, 10, 10, 10}},
    };
    for (const auto& [orientation, W, H, width, lines, expected] : boxes)
        EXPECT_EQ(messageBoxRect(orientation, W, H, width, 20, lines), expected) << orientation;
}

TEST(MessageWindow, ShowReuseAndClose)
{
    PopupHarness h;
    h.settings.Backgroundcolor = 0x00FFFF;  // yellow
    h.settings.Fontcolor = 0x000000;
    FakeScreen& screen = h.screen;
    MessageWindow window(screen, h.fonts, h.settings);
    window.closeMessage();  // nothing shown: nothing happens
    EXPECT_EQ(screen.presentCount, 0);

    window.showMessage("Building Game List...");
    const Font& font = h.fonts.selectFont("Liberation Sans", 18, 0, 0);
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

TEST(MessageBoxLayer, ALayerOfTheWindowClosedByEachOfItsControls)
{
    for (int control :
         {kKeys.Exit, kKeys.StartGame, kKeys.P2Exit, kKeys.P2StartGame, int{kVkReturn}}) {
        for (int orientation : {0, 90}) {
            PopupHarness h(320, 240);  // the smallest screen: the text is wrapped to fit
            h.settings.CurrentOrientation = orientation;
            size_t layers = 0;
            // The control goes down 300 ms after the box opened; nothing else acts.
            h.context.keyActive = [&](int vk) {
                layers = std::max(layers, h.screen.layerStack().layers().size());
                return vk == control && h.clock.nowNs() >= 300'000'000;
            };
            showMessageBoxLayer(h.context,
                                "Failed to execute [/usr/games/mame -skip_gameinfo pacman]: "
                                "No such file or directory\nsecond line",
                                "Error");
            EXPECT_EQ(layers, 1u) << control;
            EXPECT_GE(h.clock.nowNs(), 300'000'000) << control;
            EXPECT_LT(h.clock.nowNs(), 1'000'000'000) << control;
            EXPECT_TRUE(h.screen.layerStack().layers().empty());
            EXPECT_EQ(h.drains, 2);  // before (earlier presses) and after (the closing press)
        }
    }
    // The text keeps the list font for as long as the whole box fits the screen: each line
    // makes the box one line taller, until it would not fit and a smaller font is taken.
    std::vector<int> heights;
    for (int lines = 1; lines <= 14; ++lines) {
        PopupHarness h(320, 240);
        h.context.keyActive = [&](int vk) {
            if (vk == kKeys.Exit) heights.push_back(h.screen.layerStack().layers()[0].rect.height());
            return vk == kKeys.Exit;
        };
        std::string text = "line";
        for (int i = 1; i < lines; ++i) text += "\nline";
        showMessageBoxLayer(h.context, text, "Error");
    }
    const int line = heights[1] - heights[0];
    for (size_t i = 1; i < heights.size(); ++i) {
        const int grown = heights[0] + static_cast<int>(i) * line;
        if (grown <= 240 - 30) EXPECT_EQ(heights[i], grown) << i + 1 << " lines";
        else EXPECT_LT(heights[i], grown) << i + 1 << " lines";
    }
    // Before the window exists the messages go to the system's boxes.
    RecordingMessageBoxes system;
    LauncherMessageBoxes boxes(system);
    boxes.show("CreateMutex error: 13\n", "Error");
    ASSERT_EQ(system.shown.size(), 1u);
    EXPECT_EQ(system.shown[0].text, "CreateMutex error: 13\n");
}
