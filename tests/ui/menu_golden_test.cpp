// Pictures of the menu and information windows in the four orientations, against goldens drawn
// with Liberation Sans.
#include <gtest/gtest.h>

#include "menu_test_harness.h"
#include "support/golden.h"
#include "ui/info_window.h"
#include "ui/menu_window.h"

namespace {

std::string goldenName(const char* prefix, int orientation)
{
    return prefix +
           (orientation < 0 ? "m" + std::to_string(-orientation) : std::to_string(orientation));
}

}  // namespace

TEST(MenuGolden, OptionsMenuInEachOrientation)
{
    for (int orientation : {0, 180, 90, -90}) {
        PopupHarness h(640, 480);
        h.settings.CurrentOrientation = h.settings.Orientation = orientation;
        h.settings.Fontcolor = 0x202020;
        h.settings.Backgroundcolor = 0xE0F0FF;
        Menu menu = buildOptionsMenu(h.settings, {"Liberation Sans", "Liberation Serif"}, {});
        MenuWindow window(h.context, menu);
        h.steps = {{h.settings.Keymappings.SelectDown},
                   {h.settings.Keymappings.SelectDown},
                   {h.settings.Keymappings.SelectPageDown}};  // "Main Window Font Size" 20
        for (size_t i = 0; i < h.steps.size(); ++i) window.tick();
        EXPECT_TRUE(
            matchesGolden(*h.screen.layerCanvas(window.layer()), goldenName("menu_", orientation)));
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
