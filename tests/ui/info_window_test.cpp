#include "ui/info_window.h"

#include <gtest/gtest.h>

#include "menu_test_harness.h"

namespace {

std::vector<std::string> numberedLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back("Line " + std::to_string(i));
    return lines;
}

}  // namespace

TEST(InfoWindowGeometry, BorderRectWrapLimitAndLinePoints)
{
    // The border is held to 0..49 per cent of each side, inside the main window, at least 1 x 1.
    const std::pair<int, Rect> cases[] = {
        {20, {204, 153, 820, 615}}, {-10, {0, 0, 1024, 768}}, {200, {501, 376, 523, 392}}};
    for (const auto& [pct, expected] : cases) EXPECT_EQ(infoWindowRect(1024, 768, pct), expected);
    EXPECT_EQ(infoWindowRect(1, 1, 49), (Rect{0, 0, 1, 1}));
    EXPECT_EQ(infoWrapLimit(90, 616, 462), 450);

    // 30 lines of height 20 in a 616 x 462 client: y = 6, 26, ... 426 (22 lines).
    const std::vector<Point> normal = infoLinePoints(0, 616, 462, 20, 0, 30);
    ASSERT_EQ(normal.size(), 22u);
    EXPECT_EQ(normal.back(), (Point{6, 426}));
    // Near the end only the lines that are left; a client smaller than one line shows none.
    EXPECT_EQ(infoLinePoints(0, 616, 462, 20, 27, 30).size(), 3u);
    EXPECT_TRUE(infoLinePoints(0, 616, 20, 20, 0, 30).empty());
    EXPECT_TRUE(infoLinePoints(0, 1, 1, 0, 0, 30).empty());
}

TEST(InfoWindow, ScrollsALinePerTickAndPlayerTwoTurnsItWithTheSameWrapping)
{
    PopupHarness h(800, 600);
    h.settings.InvertPlayer2Screen = 1;
    InfoWindow window(h.context, std::vector<std::string>(3, "alpha"));
    const std::vector<std::string> before = window.wrappedLines();
    const Rect r = *h.screen.layerRect(window.layer());
    // Ink in a 60 x 30 box: the text starts at the viewer's top-left, for 180 the bottom-right.
    auto inkNear = [&](int x0, int y0) {
        int ink = 0;
        for (int y = y0; y < y0 + 30; ++y)
            for (int x = x0; x < x0 + 60; ++x)
                ink += (h.screen.presented().pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        return ink;
    };
    EXPECT_TRUE(inkNear(r.left + 6, r.top + 6) > 0 && inkNear(r.right - 66, r.bottom - 36) == 0);
    // Player 2 turns it to face him, player 1 turns it back and wins a tick in which both act.
    h.steps = {{kKeys.SelectUp},   {kKeys.P2SelectDown}, {kKeys.SelectDown, kKeys.P2SelectDown},
               {kKeys.SelectDown}, {kKeys.P2SelectUp},   {kKeys.SelectUp},
               {kKeys.P2Exit}};
    std::vector<int> tops, orientations;
    for (size_t i = 0; i < h.steps.size(); ++i) {
        EXPECT_EQ(window.tick(), i + 1 == h.steps.size()) << i;  // closed by P2Exit
        tops.push_back(window.topLine());
        orientations.push_back(h.settings.CurrentOrientation);
    }
    EXPECT_EQ(tops, (std::vector<int>{0, 1, 2, 2, 1, 0, 0}));  // stops with the last on top
    EXPECT_EQ(orientations, (std::vector<int>{0, 180, 0, 0, 180, 0, 180}));
    EXPECT_EQ(h.turns, 5);
    EXPECT_EQ(window.wrappedLines(), before);
    // The last picture is turned.
    EXPECT_TRUE(inkNear(r.left + 6, r.top + 6) == 0 && inkNear(r.right - 66, r.bottom - 36) > 0);
}

TEST(InfoWindow, TextsOfAnySizeAndOddBordersOpenScrollAndClose)
{
    const std::pair<std::vector<std::string>, int> cases[] = {
        {numberedLines(10000), 20}, {{std::string(100000, 'm')}, 20}, {numberedLines(50), 200}};
    for (const auto& [lines, pct] : cases) {
        PopupHarness h(640, 480);
        h.settings.ScrollBorderPct = pct;
        h.steps = std::vector<std::set<int>>(20, {kKeys.SelectDown});
        EXPECT_TRUE(showGameInfo(h.context, lines));
        EXPECT_EQ(h.step, 20);  // 20 scroll ticks, then Exit
        EXPECT_TRUE(h.screen.layerStack().layers().empty());
        EXPECT_EQ(h.drains, 1);
    }
    PopupHarness h;  // no text: no window
    EXPECT_FALSE(showGameInfo(h.context, {}));
    EXPECT_EQ(h.screen.presentCount, 0);
}
