#include "ui/info_window.h"

#include <gtest/gtest.h>

#include "menu_test_harness.h"

namespace {

const KeyMappingSettings kKeys;

std::vector<std::string> numberedLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back("Line " + std::to_string(i));
    }
    return lines;
}

}  // namespace

TEST(InfoWindowGeometry, BorderIsAPercentageOfEachSide)
{
    struct Case {
        int pct;
        Rect expected;
    };
    const Case cases[] = {
        {20, {204, 153, 820, 615}},  // 616 x 462
        {0, {0, 0, 1024, 768}},
        {-10, {0, 0, 1024, 768}},  // no window beyond the main window
        {49, {501, 376, 523, 392}},
        {50, {501, 376, 523, 392}},  // held to 49: never a window of no size
        {200, {501, 376, 523, 392}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(infoWindowRect(1024, 768, c.pct), c.expected) << c.pct;
    }
    const Rect tiny = infoWindowRect(1, 1, 49);
    EXPECT_EQ(tiny, (Rect{0, 0, 1, 1}));
}

TEST(InfoWindowGeometry, LinesAreWrittenWhileTheyFit)
{
    // 30 lines of height 20 in a 616 x 462 client: y = 6, 26, ... 426 (22 lines).
    const std::vector<Point> normal = infoLinePoints(0, 616, 462, 20, 0, 30);
    ASSERT_EQ(normal.size(), 22u);
    EXPECT_EQ(normal.front(), (Point{6, 6}));
    EXPECT_EQ(normal.back(), (Point{6, 426}));

    const std::vector<Point> right = infoLinePoints(90, 462, 616, 20, 0, 30);
    ASSERT_EQ(right.size(), 22u);
    EXPECT_EQ(right.front(), (Point{456, 6}));
    EXPECT_EQ(right.back(), (Point{36, 6}));

    // Near the end only the lines that are left; a client smaller than one line shows none.
    EXPECT_EQ(infoLinePoints(0, 616, 462, 20, 27, 30).size(), 3u);
    EXPECT_TRUE(infoLinePoints(0, 616, 462, 20, 30, 30).empty());
    EXPECT_TRUE(infoLinePoints(0, 616, 20, 20, 0, 30).empty());
    EXPECT_TRUE(infoLinePoints(0, 1, 1, 0, 0, 30).empty());
}

TEST(InfoWindowGeometry, ScrollingStopsAtBothEnds)
{
    EXPECT_EQ(scrollInfoUp(0), 0);
    EXPECT_EQ(scrollInfoUp(5), 4);
    EXPECT_EQ(scrollInfoDown(28, 30), 29);
    EXPECT_EQ(scrollInfoDown(29, 30), 29);  // the last line is left at the top
    EXPECT_EQ(scrollInfoDown(0, 0), 0);
    EXPECT_EQ(scrollInfoDown(0, 1), 0);
    EXPECT_EQ(infoWrapLimit(0, 616, 462), 604);
    EXPECT_EQ(infoWrapLimit(90, 616, 462), 450);
}

TEST(InfoWindow, WrapsWithTheRealFontSoEveryLineFits)
{
    for (int orientation : {0, 90}) {
        PopupHarness h(640, 480);
        h.settings.CurrentOrientation = orientation;
        PopupContext context = h.context();
        const std::vector<std::string> lines = {
            "The quick brown fox jumps over the lazy dog, again and again, until the line is "
            "far wider than the window that has to show it in one piece.",
            "Supercalifragilisticexpialidocious-" + std::string(300, 'W'),
            "\xc3\x89\xc3\xa9\xe2\x82\xac" + std::string(200, 'i'),
            "",
        };
        InfoWindow window(context, lines);
        const Rect rect = *h.screen.layerRect(window.layer());
        const int limit = infoWrapLimit(orientation, rect.width(), rect.height());
        const Font& font = h.fonts.selectFont("Liberation Sans", 18, orientation, 0);
        ASSERT_GT(window.wrappedLines().size(), 6u);
        for (const std::string& line : window.wrappedLines()) {
            EXPECT_LE(font.textWidth(line), limit) << line;
        }
        EXPECT_EQ(window.wrappedLines().back(), "");
    }
}

TEST(InfoWindow, ScrollsOneLinePerTickWithinTheText)
{
    PopupHarness h;
    PopupContext context = h.context();
    const std::vector<std::string> lines = numberedLines(5);
    InfoWindow window(context, lines);
    h.steps = {{kKeys.SelectUp},     {kKeys.SelectDown},
               {kKeys.P2SelectDown}, {kKeys.SelectDown, kKeys.P2SelectDown},
               {kKeys.SelectDown},   {kKeys.SelectDown},
               {kKeys.SelectDown},   {kKeys.P2SelectUp}};
    std::vector<int> tops;
    for (size_t i = 0; i < h.steps.size(); ++i) {
        EXPECT_FALSE(window.tick());
        tops.push_back(window.topLine());
    }
    EXPECT_EQ(tops, (std::vector<int>{0, 1, 2, 3, 4, 4, 4, 3}));
    EXPECT_TRUE(window.tick());  // Exit
}

TEST(InfoWindow, PlayerTwoTurnShowsAtTheNextScrollWithTheSameWrapping)
{
    PopupHarness h(800, 600);
    h.settings.InvertPlayer2Screen = 1;
    PopupContext context = h.context();
    std::vector<std::string> lines(3, "alpha");
    InfoWindow window(context, lines);
    const std::vector<std::string> before = window.wrappedLines();
    const Rect rect = *h.screen.layerRect(window.layer());
    // The text starts at the viewer's top-left: for 180 that is the layer's bottom-right.
    auto inkNear = [&](int x0, int y0) {
        const Canvas& shown = h.screen.presented();
        int ink = 0;
        for (int y = y0; y < y0 + 30; ++y) {
            for (int x = x0; x < x0 + 60; ++x) {
                ink += (shown.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
            }
        }
        return ink;
    };
    EXPECT_GT(inkNear(rect.left + 6, rect.top + 6), 0);
    EXPECT_EQ(inkNear(rect.right - 66, rect.bottom - 36), 0);

    h.steps = {{kKeys.P2SelectDown}};
    window.tick();
    EXPECT_EQ(h.settings.CurrentOrientation, 180);
    EXPECT_EQ(window.topLine(), 1);
    EXPECT_EQ(window.wrappedLines(), before);
    EXPECT_GT(inkNear(rect.right - 66, rect.bottom - 36), 0);
    EXPECT_EQ(inkNear(rect.left + 6, rect.top + 6), 0);
    EXPECT_EQ(h.pageDirtyMarks, 1);
}

TEST(InfoWindow, HugeTextsOpenScrollAndClose)
{
    struct Case {
        std::vector<std::string> lines;
        int borderPct;
    };
    std::vector<Case> cases;
    cases.push_back({numberedLines(10000), 20});
    cases.push_back({{std::string(100000, 'm')}, 20});
    cases.push_back({numberedLines(50), -10});
    cases.push_back({numberedLines(50), 50});
    cases.push_back({numberedLines(50), 200});
    for (const Case& c : cases) {
        PopupHarness h(640, 480);
        h.settings.ScrollBorderPct = c.borderPct;
        PopupContext context = h.context();
        h.steps = std::vector<std::set<int>>(20, {kKeys.SelectDown});
        h.onTick = [&](int) {
            const Rect rect = h.screen.layerStack().layers().at(0).rect;
            EXPECT_GE(rect.left, 0);
            EXPECT_GE(rect.top, 0);
            EXPECT_GT(rect.width(), 0);
            EXPECT_GT(rect.height(), 0);
            EXPECT_LE(rect.right, 640);
            EXPECT_LE(rect.bottom, 480);
        };
        EXPECT_TRUE(showGameInfo(context, c.lines));
        EXPECT_EQ(h.step, 20);  // 20 scroll ticks, then Exit
        EXPECT_TRUE(h.screen.layerStack().layers().empty());
        EXPECT_EQ(h.drains, 1);
    }
}

TEST(InfoWindow, NothingToShowOpensNoWindow)
{
    PopupHarness h;
    PopupContext context = h.context();
    EXPECT_FALSE(showGameInfo(context, {}));
    EXPECT_EQ(h.screen.presentCount, 0);

    GameTable table;
    auto parent = std::make_unique<GameRecord>();
    parent->romname = "pacman";
    parent->infoLines = {"Pac-Man history"};
    auto clone = std::make_unique<GameRecord>();
    clone->romname = "puckman";
    clone->cloneof = "pacman";
    auto orphan = std::make_unique<GameRecord>();
    orphan->romname = "orphan";
    orphan->cloneof = "nowhere";
    table.filtered = {parent.get(), clone.get(), orphan.get()};
    EXPECT_EQ(gameInfoLines(table, *parent), &parent->infoLines);
    EXPECT_EQ(gameInfoLines(table, *clone), &parent->infoLines);
    EXPECT_EQ(gameInfoLines(table, *orphan), nullptr);
    table.filtered = {clone.get()};  // the parent is filtered out
    EXPECT_EQ(gameInfoLines(table, *clone), nullptr);
    EXPECT_FALSE(runGameInfo(context, table, *orphan));
}
