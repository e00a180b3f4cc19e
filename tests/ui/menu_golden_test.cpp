// Pictures of the pop-ups in the four orientations, against goldens drawn with Liberation Sans.
#include <gtest/gtest.h>

#include "menu_test_harness.h"
#include "support/golden.h"
#include "ui/info_window.h"
#include "ui/menu_window.h"
#include "ui/message_window.h"

namespace {

std::string goldenName(const char* prefix, int orientation)
{
    return prefix +
           (orientation < 0 ? "m" + std::to_string(-orientation) : std::to_string(orientation));
}

}  // namespace

// The screen as a player sees it with the music sub-menu open over the options menu: each
// window framed, each opaque.
TEST(MenuGolden, OptionsMenuWithItsSubMenuInEachOrientation)
{
    for (int orientation : {0, 180, 90, -90}) {
        PopupHarness h(640, 480);
        h.settings.CurrentOrientation = h.settings.Orientation = orientation;
        h.settings.Fontcolor = 0x202020;
        h.settings.Backgroundcolor = 0xE0F0FF;
        h.screen.frame().fillRect({0, 0, 640, 480}, 0x406040);
        Menu menu = buildOptionsMenu(h.settings, {"Liberation Sans", "Liberation Serif"}, {});
        const KeyMappingSettings& k = h.settings.Keymappings;
        h.steps = {{k.SelectDown}, {k.SelectPageDown},  // "Main Window Font Size" 20
                   {k.SelectUp},   {k.SelectUp},
                   {k.SelectPageDown},                  // the music sub-menu opens
                   {k.SelectDown}};
        std::optional<Canvas> seen;
        h.onTick = [&](int step) {
            if (step != 6) return;  // the sub-menu's second tick has drawn its highlight
            seen.emplace(640, 480);
            seen->copyFrom(h.screen.presented(), {0, 0, 640, 480}, 0, 0);
        };
        showMenuWindow(h.context, menu);
        ASSERT_TRUE(seen);
        EXPECT_TRUE(matchesGolden(*seen, goldenName("menu_", orientation)));
    }
}

TEST(MenuGolden, MessageWindowInEachOrientation)
{
    for (int orientation : {0, 180, 90, -90}) {
        PopupHarness h(480, 360);
        h.settings.CurrentOrientation = orientation;
        h.settings.Fontcolor = 0x602010;
        h.settings.Backgroundcolor = 0xD0FFFF;
        MessageWindow window(h.screen, h.fonts, h.settings);
        window.showMessage("Launching Game: Pac-Man...");
        EXPECT_TRUE(matchesGolden(*h.screen.layerCanvas(window.layer()),
                                  goldenName("message_", orientation)));
    }
}

TEST(MenuGolden, InfoWindowInEachOrientation)
{
    const std::vector<std::string> lines = {
        "Pac-Man (c) 1980 Namco.",
        "",
        "A maze game in which the player steers a round yellow character through a maze, eating "
        "dots and avoiding four ghosts that chase him.",
        "Supercalifragilisticexpialidocious" + std::string(40, 'x'),
        "- TRIVIA -",
        "The name comes from the Japanese 'paku-paku'.",
    };
    for (int orientation : {0, 180, 90, -90}) {
        PopupHarness h(640, 480);
        h.settings.CurrentOrientation = orientation;
        h.settings.Fontcolor = 0x101060;
        h.settings.Backgroundcolor = 0xF0FFF0;
        InfoWindow window(h.context, lines);
        h.steps = {{h.settings.Keymappings.SelectDown}};  // scrolled by one wrapped line
        window.tick();
        EXPECT_TRUE(
            matchesGolden(*h.screen.layerCanvas(window.layer()), goldenName("info_", orientation)));
    }
}
