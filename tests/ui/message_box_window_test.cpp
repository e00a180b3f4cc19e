#include "ui/message_box_window.h"

#include <tuple>

#include <gtest/gtest.h>

#include "menu_test_harness.h"

TEST(MessageBoxLayout, CentredAndHeldToTheScreen)
{
    // {orientation, screen, text width, lines, expected}: lines of 20, 38 pixels of margins and
    // frame; turned, a tall strip; too wide, held 15 pixels inside; a tiny screen, no size.
    const std::tuple<int, int, int, int, int, Rect> cases[] = {
        {0, 1024, 768, 300, 3, {343, 335, 681, 433}},
        {90, 1024, 768, 300, 3, {463, 215, 561, 553}},
        {0, 1024, 768, 5000, 1, {15, 355, 1009, 413}},
        {-90, 20, 20, 50, 2, {10, 10, 10, 10}},
    };
    for (const auto& [orientation, W, H, width, lines, expected] : cases)
        EXPECT_EQ(messageBoxRect(orientation, W, H, width, 20, lines), expected) << orientation;
}

TEST(MessageBoxLayer, ALayerOfTheWindowClosedByEachOfItsControls)
{
    const KeyMappingSettings k;
    for (int control : {k.Exit, k.StartGame, k.P2Exit, k.P2StartGame, int{kVkReturn}}) {
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
    // Before the window exists the messages go to the system's boxes.
    RecordingMessageBoxes system;
    LauncherMessageBoxes boxes(system);
    boxes.show("CreateMutex error: 13\n", "Error");
    ASSERT_EQ(system.shown.size(), 1u);
    EXPECT_EQ(system.shown[0].text, "CreateMutex error: 13\n");
}
