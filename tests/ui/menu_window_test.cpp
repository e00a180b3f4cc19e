#include "ui/menu_window.h"

#include <tuple>

#include <gtest/gtest.h>

#include "menu_test_harness.h"
#include "ui/options_menu.h"

namespace {

Menu smallMenu()
{
    MenuItem music;
    music.text = kMusicJukeboxLabel;
    music.submenu = {makeYesNoItem("Playing", 1), makeYesNoItem("Repeat Song", 0)};
    return {makeYesNoItem("Display Clones", 1), makeCountItem("Minimum Players", 0), music};
}

}  // namespace

TEST(MenuWindowGeometry, CentredHeldToTheScreenAndTheHighlightOnThePage)
{
    // {orientation, entries, label width, main width, main height, expected}. Labels of 200 and
    // values of 150 pixels, lines of 20: 25 entries make a 462 x 500 client, swapped when turned,
    // in a frame of 4 on each side. A window larger than the main window is held to it, at 0 on
    // that axis.
    const std::tuple<int, int, int, int, int, Rect> cases[] = {
        {0, 25, 200, 1024, 768, {277, 130, 747, 638}},
        {90, 25, 200, 1024, 768, {258, 149, 766, 619}},
        {90, 100, 200, 1024, 768, {0, 149, 1024, 619}},
        {0, 2, 5000, 300, 200, {0, 76, 300, 124}},
        {0, 0, 0, 0, 0, {0, 0, 1, 1}},
        {0, 1'000'000, 2'000'000'000, 640, 480, {0, 0, 640, 480}},
    };
    for (const auto& [orientation, entries, labelWidth, w, h, expected] : cases)
        EXPECT_EQ(menuWindowRect(orientation, labelWidth, 150, 20, entries, w, h), expected)
            << orientation << " " << entries;

    // {highlighted, first visible, visible lines, entries, expected first visible}
    const int pages[][5] = {{9, 0, 10, 25, 0}, {10, 0, 10, 25, 5},  {3, 0, 0, 25, 3},
                            {2, 0, 40, 25, 0}, {24, 0, 10, 25, 15},  // the last: 15 to 24
                            {0, 15, 10, 25, 0}};  // wrapped to the first: entries 0 to 9
    for (const auto& c : pages)
        EXPECT_EQ(menuFirstVisible(c[0], c[1], c[2], c[3]), c[4]) << c[0] << " " << c[1];
}

TEST(MenuWindow, BothPlayersMoveAndStepAndPlayerTwoTurnsIt)
{
    // {InvertPlayer2Screen, Orientation, the orientation player 2 turns it to}
    for (const auto& [invert, base, turned] : {std::tuple{1, 90, -90}, {1, 180, 0}, {0, 90, 90}}) {
        PopupHarness h;
        h.settings.InvertPlayer2Screen = invert;
        h.settings.Orientation = h.settings.CurrentOrientation = base;
        Menu menu = smallMenu();
        MenuWindow window(h.context, menu);
        // A tick in which player 2 acts turns the menu to face him, one in which player 1 acts
        // turns it back, and player 1 wins a tick in which both act.
        h.steps = {
            {kKeys.SelectUp},                        // first -> last (wrap)
            {kKeys.SelectDown},                      // last -> first (wrap)
            {kKeys.SelectPageDown},                  // "Yes" -> "No"
            {kKeys.P2SelectPageDown},                // "No" -> "Yes"
            {kKeys.SelectDown, kKeys.P2SelectDown},  // both players in one tick: one entry
            {kKeys.SelectPageUp},                    // "0" -> "8"
            {kKeys.P2SelectPageUp},                  // "8" -> "7"
            {kKeys.SelectDown, kKeys.SelectPageUp},  // page up on the sub-menu entry: nothing
            {kKeys.P2SelectUp},
            {kKeys.SelectUp},
            {kKeys.P2Exit}};
        std::vector<int> highlights, orientations;
        for (size_t i = 0; i < h.steps.size(); ++i) {
            EXPECT_EQ(window.tick(), i + 1 == h.steps.size()) << i;  // closed by P2Exit
            highlights.push_back(window.highlighted());
            orientations.push_back(h.settings.CurrentOrientation);
        }
        EXPECT_EQ(highlights, (std::vector<int>{2, 0, 0, 0, 1, 1, 1, 2, 1, 0, 0}));
        const int b = base, t = turned;
        EXPECT_EQ(orientations, (std::vector<int>{b, b, b, t, b, b, t, b, t, b, t})) << base;
        EXPECT_EQ(h.turns, turned == base ? 0 : 7);
        EXPECT_EQ(menu[0].shownValue(), "Yes");
        EXPECT_EQ(menu[1].shownValue(), "7");
    }
}

TEST(MenuWindow, MoreEntriesThanTheScreenHoldsScrollInsideIt)
{
    for (int orientation : {0, 90, 180, -90}) {
        PopupHarness h(320, 240);
        h.settings.CurrentOrientation = orientation;
        Menu menu(200, makeYesNoItem("Entry", 1));
        MenuWindow window(h.context, menu);
        const Rect rect = *h.screen.layerRect(window.layer());
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= 320 && rect.bottom <= 240);
        h.steps = {{kKeys.SelectUp}};  // wrap to the last entry
        window.tick();
        const int lineHeight =
            h.fonts.selectFont("Liberation Sans", 12, orientation, 0).lineHeight();
        const int extent = (orientation == 0 || orientation == 180) ? rect.height() : rect.width();
        EXPECT_EQ(window.firstVisible(), 200 - extent / lineHeight) << orientation;
    }
}

TEST(OptionsMenu, ShownOnlyWhenAllowedWrittenBackWhenClosedAndLeftOnQuit)
{
    PopupHarness h;
    h.settings.AllowMenu = 0;
    int listed = 0;
    auto fonts = [&] {
        ++listed;
        return std::vector<std::string>{"Liberation Serif", "Liberation Sans"};
    };
    EXPECT_FALSE(runOptionsMenu(h.context, {}, fonts));
    Menu none;
    EXPECT_FALSE(showMenuWindow(h.context, none));
    EXPECT_EQ(listed + h.screen.presentCount, 0);

    h.settings.AllowMenu = 1;
    bool playing = true;
    JukeboxHooks jukebox{[&] { return playing; }, [&] { playing = true; },
                         [&] { playing = false; }};
    // The music sub-menu runs inside the tick of the menu that opened it.
    size_t mostLayers = 0;
    h.onTick = [&](int) {
        mostLayers = std::max(mostLayers, h.screen.layerStack().layers().size());
    };
    h.steps = {{kKeys.SelectUp},        // wraps to the music sub-menu
               {kKeys.SelectPageDown},  // which opens
               {kKeys.SelectPageDown},  // nested: "Playing" Yes -> No
               {kKeys.Exit},            // nested closes; the options menu stays
               {kKeys.SelectUp}};       // one more tick of its own, then Exit closes it
    h.screen.push({ScreenEventType::Timer, 0, 1});
    EXPECT_TRUE(runOptionsMenu(h.context, jukebox, fonts));
    EXPECT_EQ(mostLayers, 2u);
    EXPECT_EQ(h.step, 5);
    EXPECT_EQ(h.drains, 3);  // menu opening, nested opening, after the nested menu
    EXPECT_TRUE(h.screen.layerStack().layers().empty());
    EXPECT_EQ(h.dispatched, (std::vector<ScreenEventType>{ScreenEventType::Timer}));
    EXPECT_FALSE(playing);

    // A quit that arrives while the nested menu is open closes every level and reaches the
    // main loop.
    h.step = -1;
    h.steps = {{kKeys.SelectUp}, {kKeys.SelectPageDown}, {}, {}, {}, {}};
    h.onTick = [&](int step) {
        if (step == 2) h.screen.postQuit();
    };
    EXPECT_TRUE(runOptionsMenu(h.context, jukebox, fonts));
    EXPECT_LT(h.step, 6);
    EXPECT_TRUE(h.screen.layerStack().layers().empty());
    const std::optional<ScreenEvent> left = h.screen.pollEvent();
    ASSERT_TRUE(left);
    EXPECT_EQ(left->type, ScreenEventType::Quit);
}

TEST(PopupLoop, TicksEveryHundredMillisecondsAndCatchesUpOnlyWhenAsked)
{
    // The first tick takes 350 ms: the menu's loop owes three ticks and runs them at once; the
    // information window's runs one late tick and then keeps its period from there.
    const std::pair<LateTicks, std::vector<int64_t>> cases[] = {
        {LateTicks::CatchUp, {100, 450, 450, 450, 500}},
        {LateTicks::Skip, {100, 450, 550, 650, 750}}};
    for (const auto& [late, expectedMs] : cases) {
        PopupHarness h;
        h.screen.push({ScreenEventType::Repaint, 0, 0});
        h.screen.push({ScreenEventType::KeyDown, 40, 0});
        std::vector<int64_t> ticksMs;
        auto tick = [&] {
            ticksMs.push_back(h.clock.nowNs() / 1'000'000);
            if (ticksMs.size() == 1) h.clock.advanceMs(350);
            return ticksMs.size() == 5;
        };
        EXPECT_EQ(runPopupLoop(h.context, tick, late), LoopEnd::Closed);
        EXPECT_EQ(ticksMs, expectedMs);
        EXPECT_EQ(h.dispatched, (std::vector<ScreenEventType>{ScreenEventType::Repaint,
                                                              ScreenEventType::KeyDown}));
    }
}
