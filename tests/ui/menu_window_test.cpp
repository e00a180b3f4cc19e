#include "ui/menu_window.h"

#include <gtest/gtest.h>

#include "menu_test_harness.h"
#include "ui/options_menu.h"

namespace {

const KeyMappingSettings kKeys;

Menu smallMenu()
{
    Menu menu;
    menu.push_back(makeYesNoItem("Display Clones", 1));
    menu.push_back(makeCountItem("Display Minimum Players", 0));
    MenuItem music;
    music.text = kMusicJukeboxLabel;
    music.submenu.push_back(makeYesNoItem("Playing", 1));
    music.submenu.push_back(makeYesNoItem("Repeat Song", 0));
    menu.push_back(std::move(music));
    return menu;
}

Menu manyEntries(int count)
{
    Menu menu;
    for (int i = 0; i < count; ++i) {
        menu.push_back(makeYesNoItem("Entry " + std::to_string(i), i % 2));
    }
    return menu;
}

}  // namespace

TEST(MenuWindowGeometry, CentredAndSwappedForQuarterTurns)
{
    struct Case {
        int orientation;
        Rect expected;
    };
    // 25 entries, line height 20, labels 200 and values 150 pixels: a 462 x 500 client.
    const Case cases[] = {
        {0, {281, 134, 743, 634}},
        {180, {281, 134, 743, 634}},
        {90, {262, 153, 762, 615}},
        {-90, {262, 153, 762, 615}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(menuWindowRect(c.orientation, 200, 150, 20, 25, 1024, 768), c.expected)
            << c.orientation;
    }
    // Larger than the main window: held to it, at 0 on that axis, never negative.
    EXPECT_EQ(menuWindowRect(0, 200, 150, 20, 100, 1024, 768), (Rect{281, 0, 743, 768}));
    EXPECT_EQ(menuWindowRect(90, 200, 150, 20, 100, 1024, 768), (Rect{0, 153, 1024, 615}));
    EXPECT_EQ(menuWindowRect(0, 5000, 5000, 20, 2, 300, 200), (Rect{0, 80, 300, 120}));
    // Degenerate sizes still give a 1 x 1 window inside the main window.
    EXPECT_EQ(menuWindowRect(0, 0, 0, 0, 0, 0, 0), (Rect{0, 0, 1, 1}));
    EXPECT_EQ(menuWindowRect(0, 2'000'000'000, 2'000'000'000, 1'000'000, 1'000'000, 640, 480),
              (Rect{0, 0, 640, 480}));
}

TEST(MenuWindowGeometry, HighlightStaysOnThePage)
{
    // 25 entries, room for 10 lines.
    EXPECT_EQ(menuFirstVisible(5, 0, 10, 25), 0);
    EXPECT_EQ(menuFirstVisible(9, 0, 10, 25), 0);
    EXPECT_EQ(menuFirstVisible(10, 0, 10, 25), 5);
    EXPECT_EQ(menuFirstVisible(24, 0, 10, 25), 15);  // the last entry: entries 15 to 24
    EXPECT_EQ(menuFirstVisible(0, 15, 10, 25), 0);   // wrapped to the first: entries 0 to 9
    EXPECT_EQ(menuFirstVisible(3, 0, 0, 25), 3);     // no room at all: no negative page
    EXPECT_EQ(menuFirstVisible(2, 0, 40, 25), 0);    // everything fits
}

TEST(MenuWindow, LayerIsCentredInEachOrientation)
{
    for (int orientation : {0, 90}) {
        PopupHarness h;
        h.settings.CurrentOrientation = orientation;
        PopupContext context = h.context();
        Menu menu = smallMenu();
        MenuWindow window(context, menu);
        const std::optional<Rect> rect = h.screen.layerRect(window.layer());
        ASSERT_TRUE(rect);
        const int along = orientation == 0 ? rect->height() : rect->width();
        const int lineHeight =
            h.fonts.selectFont("Liberation Sans", 12, orientation, 0).lineHeight();
        EXPECT_EQ(along, lineHeight * 3) << orientation;
        EXPECT_EQ(rect->left, (1024 - rect->width()) / 2);
        EXPECT_EQ(rect->top, (768 - rect->height()) / 2);
    }
}

TEST(MenuWindow, MovesWrapAndStepChoices)
{
    PopupHarness h;
    PopupContext context = h.context();
    Menu menu = smallMenu();
    MenuWindow window(context, menu);
    h.steps = {
        {kKeys.SelectUp},                        // first -> last (wrap)
        {kKeys.SelectDown},                      // last -> first (wrap)
        {kKeys.SelectPageDown},                  // "Yes" -> "No"
        {kKeys.P2SelectPageDown},                // "No" -> "Yes"
        {kKeys.SelectDown, kKeys.P2SelectDown},  // both players in one tick: one entry
        {kKeys.SelectPageUp},                    // "0" -> "8"
        {kKeys.SelectDown, kKeys.SelectPageUp},  // page up on the sub-menu entry: nothing
    };
    std::vector<int> highlights;
    for (size_t i = 0; i < h.steps.size(); ++i) {
        EXPECT_FALSE(window.tick());
        highlights.push_back(window.highlighted());
        if (i == 2) {
            EXPECT_EQ(menu[0].shownValue(), "No");
        }
    }
    EXPECT_EQ(highlights, (std::vector<int>{2, 0, 0, 0, 1, 1, 2}));
    EXPECT_EQ(menu[0].shownValue(), "Yes");
    EXPECT_EQ(menu[1].shownValue(), "8");
    EXPECT_EQ(menu[2].shownValue(), "[...]");
    EXPECT_EQ(h.drains, 0);
    EXPECT_TRUE(window.tick());  // past the script Exit is held
}

TEST(MenuWindow, NestedMenuRunsInsideTheParentTick)
{
    PopupHarness h;
    PopupContext context = h.context();
    Menu menu = smallMenu();
    size_t mostLayers = 0;
    h.onTick = [&](int) {
        mostLayers = std::max(mostLayers, h.screen.layerStack().layers().size());
    };
    h.steps = {
        {kKeys.SelectDown},     {kKeys.SelectDown},
        {kKeys.SelectPageDown},  // opens the music sub-menu
        {kKeys.SelectPageDown},  // nested: "Playing" Yes -> No
        {kKeys.Exit},            // nested closes; the parent stays
        {kKeys.SelectUp},        // parent: highlight back to entry 1
    };
    h.screen.push({ScreenEventType::Timer, 0, 1});
    EXPECT_TRUE(showMenuWindow(context, menu));
    EXPECT_EQ(mostLayers, 2u);
    EXPECT_EQ(menu[2].submenu[0].shownValue(), "No");
    EXPECT_EQ(menu[2].submenu[1].shownValue(), "No");
    EXPECT_EQ(h.step, 6);    // the parent ran one more tick, then Exit closed it
    EXPECT_EQ(h.drains, 3);  // parent opening, nested opening, after the nested menu
    EXPECT_TRUE(h.screen.layerStack().layers().empty());
    EXPECT_EQ(h.dispatched, (std::vector<ScreenEventType>{ScreenEventType::Timer}));
}

TEST(MenuWindow, PlayerTwoTurnsTheMenuAndPlayerOneWins)
{
    struct Case {
        std::set<int> keys;
        int expected;
        int marks;
    };
    const Case cases[] = {
        {{kKeys.P2SelectDown}, -90, 1},
        {{kKeys.P2SelectDown, kKeys.SelectUp}, 90, 0},
        {{kKeys.P2Exit}, -90, 1},
    };
    for (const Case& c : cases) {
        PopupHarness h;
        h.settings.InvertPlayer2Screen = 1;
        h.settings.Orientation = 90;
        h.settings.CurrentOrientation = 90;
        PopupContext context = h.context();
        Menu menu = smallMenu();
        MenuWindow window(context, menu);
        h.steps = {c.keys};
        window.tick();
        EXPECT_EQ(h.settings.CurrentOrientation, c.expected);
        EXPECT_EQ(h.pageDirtyMarks, c.marks);
    }
    // Switched off: nothing turns.
    PopupHarness h;
    h.settings.Orientation = 90;
    h.settings.CurrentOrientation = 90;
    PopupContext context = h.context();
    Menu menu = smallMenu();
    MenuWindow window(context, menu);
    h.steps = {{kKeys.P2SelectDown}};
    window.tick();
    EXPECT_EQ(h.settings.CurrentOrientation, 90);
}

TEST(MenuWindow, MoreEntriesThanTheScreenHoldsScrollInsideIt)
{
    for (int orientation : {0, 90, 180, -90}) {
        PopupHarness h(320, 240);
        h.settings.CurrentOrientation = orientation;
        PopupContext context = h.context();
        Menu menu = manyEntries(200);
        MenuWindow window(context, menu);
        const Rect rect = *h.screen.layerRect(window.layer());
        EXPECT_GE(rect.left, 0);
        EXPECT_GE(rect.top, 0);
        EXPECT_LE(rect.right, 320);
        EXPECT_LE(rect.bottom, 240);
        h.steps = {{kKeys.SelectUp}};  // wrap to the last entry
        window.tick();
        const int lineHeight =
            h.fonts.selectFont("Liberation Sans", 12, orientation, 0).lineHeight();
        const int extent = (orientation == 0 || orientation == 180) ? rect.height() : rect.width();
        EXPECT_EQ(window.firstVisible(), 200 - extent / lineHeight) << orientation;
    }
}

TEST(MenuWindow, QuitWhileOpenClosesEveryLevelAndReachesTheMainLoop)
{
    PopupHarness h;
    PopupContext context = h.context();
    Menu menu = smallMenu();
    h.steps = {{kKeys.SelectUp}, {kKeys.SelectPageDown}, {}, {}, {}, {}};
    h.onTick = [&](int step) {
        if (step == 2) {
            h.screen.postQuit();  // arrives while the nested menu is open
        }
    };
    EXPECT_TRUE(showMenuWindow(context, menu));
    EXPECT_LT(h.step, 6);
    EXPECT_TRUE(h.screen.layerStack().layers().empty());
    const std::optional<ScreenEvent> left = h.screen.pollEvent();
    ASSERT_TRUE(left);
    EXPECT_EQ(left->type, ScreenEventType::Quit);
}

TEST(OptionsMenu, DisabledMenuShowsNothing)
{
    PopupHarness h;
    h.settings.AllowMenu = 0;
    PopupContext context = h.context();
    int listed = 0;
    EXPECT_FALSE(runOptionsMenu(context, {}, [&] {
        ++listed;
        return std::vector<std::string>{};
    }));
    EXPECT_EQ(listed, 0);
    EXPECT_EQ(h.screen.presentCount, 0);
}

TEST(OptionsMenu, ChangesAreWrittenBackWhenTheMenuCloses)
{
    PopupHarness h;
    h.settings.DisplayMissingRoms = 0;
    h.settings.Fontsize = 19;
    PopupContext context = h.context();
    bool playing = true;
    JukeboxHooks jukebox{[&] { return playing; }, [&] { playing = true; },
                         [&] { playing = false; }};
    std::set<int> down = {kKeys.SelectDown};
    std::set<int> change = {kKeys.SelectPageDown};
    std::set<int> up = {kKeys.SelectUp};
    h.steps = {down,   down,  down, down, down, down, change,  // "Display Missing Games" -> Yes
               up,     up,    up,   up,   up,   up,   up,      // wraps to the music sub-menu
               change, change};                                // "Playing" -> No; then Exit
    EXPECT_TRUE(runOptionsMenu(context, jukebox, [] {
        return std::vector<std::string>{"Liberation Serif", "Liberation Sans"};
    }));
    EXPECT_EQ(h.settings.DisplayMissingRoms, 1);
    EXPECT_EQ(h.settings.Fontsize, 18);
    EXPECT_EQ(h.settings.Fontface, "Liberation Sans");
    EXPECT_FALSE(playing);
}

TEST(PopupLoop, TicksEveryHundredMillisecondsAndCatchesUpOnlyWhenAsked)
{
    struct Case {
        LateTicks late;
        std::vector<int64_t> expectedMs;
    };
    // The first tick takes 350 ms: the menu's loop owes three ticks and runs them at once; the
    // information window's runs one late tick and then keeps its period from there.
    const Case cases[] = {
        {LateTicks::CatchUp, {100, 450, 450, 450, 500}},
        {LateTicks::Skip, {100, 450, 550, 650, 750}},
    };
    for (const Case& c : cases) {
        PopupHarness h;
        PopupContext context = h.context();
        h.screen.push({ScreenEventType::Repaint, 0, 0});
        h.screen.push({ScreenEventType::KeyDown, 40, 0});
        std::vector<int64_t> ticksMs;
        const LoopEnd end = runPopupLoop(
            context,
            [&] {
                ticksMs.push_back(h.clock.nowNs() / 1'000'000);
                if (ticksMs.size() == 1) {
                    h.clock.advanceMs(350);
                }
                return ticksMs.size() == 5;
            },
            c.late);
        EXPECT_EQ(end, LoopEnd::Closed);
        EXPECT_EQ(ticksMs, c.expectedMs);
        EXPECT_EQ(h.dispatched, (std::vector<ScreenEventType>{ScreenEventType::Repaint,
                                                              ScreenEventType::KeyDown}));
    }
}
