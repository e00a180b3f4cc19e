#include "ui/menu_model.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

struct FakeJukebox {
    bool playing = false;
    int playCalls = 0;
    int stopCalls = 0;

    JukeboxHooks hooks()
    {
        return {[this] { return playing; },
                [this] {
                    ++playCalls;
                    playing = true;
                },
                [this] {
                    ++stopCalls;
                    playing = false;
                }};
    }
};

MenuItem* find(Menu& menu, const std::string& label)
{
    for (MenuItem& item : menu) {
        if (item.text == label) {
            return &item;
        }
    }
    return nullptr;
}

const std::vector<std::string> kFonts = {"Arial", "DejaVu Sans", "Liberation Sans",
                                         "Liberation Serif"};

}  // namespace

TEST(MenuModel, SizeEntriesSelectAndWriteBackEvenSizes)
{
    struct Case {
        int value;
        std::string shown;
        int writtenBack;
    };
    const Case cases[] = {
        {18, "18", 18}, {19, "18", 18}, {7, "8", 8},    {-40, "8", 8},
        {36, "36", 36}, {37, "36", 36}, {38, "38", 38}, {1000, "1000", 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        LauncherSettings settings;
        settings.Fontsize = c.value;
        FakeJukebox jukebox;
        Menu menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
        const MenuItem* item = find(menu, "Main Window Font Size");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->shownValue(), c.shown);
        applyOptionsMenu(menu, settings, jukebox.hooks());
        EXPECT_EQ(settings.Fontsize, c.writtenBack);
    }
}

TEST(MenuModel, CountEntriesClampToZeroToEight)
{
    LauncherSettings settings;
    settings.MinPlayers = -3;
    settings.MaxPlayers = 12;
    settings.MinButtons = 4;
    settings.MaxCoins = 8;
    FakeJukebox jukebox;
    Menu menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
    EXPECT_EQ(find(menu, "Display Minimum Players")->shownValue(), "0");
    EXPECT_EQ(find(menu, "Display Maximum Players")->shownValue(), "8");
    EXPECT_EQ(find(menu, "Display Minimum Buttons")->shownValue(), "4");
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(settings.MinPlayers, 0);
    EXPECT_EQ(settings.MaxPlayers, 8);
    EXPECT_EQ(settings.MinButtons, 4);
    EXPECT_EQ(settings.MaxCoins, 8);

    // Stepping back from "0" wraps to "8"; forward from "8" to "0".
    MenuItem count = makeCountItem("c", 0);
    count.selectPrevious();
    EXPECT_EQ(count.shownValue(), "8");
    count.selectNext();
    EXPECT_EQ(count.shownValue(), "0");
}

TEST(MenuModel, FixedChoiceRowsMapBothWays)
{
    LauncherSettings settings;
    settings.MenuType = 7;  // anything but 1 reads as the image browser
    settings.PreviewPictures = 2;
    settings.Orientation = -90;
    FakeJukebox jukebox;
    Menu menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
    EXPECT_EQ(find(menu, "Menu Type")->shownValue(), "Image Preview");
    EXPECT_EQ(find(menu, "Preview Pictures")->shownValue(), "Flyers");
    EXPECT_EQ(find(menu, "Screen Orientation")->shownValue(), "Rotate Left");

    find(menu, "Menu Type")->selectNext();         // wraps to "List View"
    find(menu, "Preview Pictures")->selectNext();  // wraps to "Screen Shots"
    MenuItem* orientation = find(menu, "Screen Orientation");
    orientation->selected = 1;         // "Inverted"
    settings.CurrentOrientation = 90;  // as if player 2 had turned the screen
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(settings.MenuType, kMenuTypeListView);
    EXPECT_EQ(settings.PreviewPictures, kPreviewScreenShots);
    EXPECT_EQ(settings.Orientation, 180);
    EXPECT_EQ(settings.CurrentOrientation, 180);
}

TEST(MenuModel, UnmatchedValuesShowThemselvesAndSurviveAnUntouchedMenu)
{
    LauncherSettings settings;
    settings.Fontface = "Comic Neue";  // not installed
    settings.StatusBarFontSize = 40;
    settings.Orientation = 45;
    settings.CurrentOrientation = 45;
    FakeJukebox jukebox;
    Menu menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
    EXPECT_EQ(find(menu, "Main Window Font")->shownValue(), "Comic Neue");
    EXPECT_EQ(find(menu, "Status Bar Font Size")->shownValue(), "40");
    EXPECT_EQ(find(menu, "Screen Orientation")->shownValue(), "45");

    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(settings.Fontface, "Comic Neue");
    EXPECT_EQ(settings.StatusBarFontSize, 40);
    EXPECT_EQ(settings.Orientation, 45);
    EXPECT_EQ(settings.CurrentOrientation, 45);

    // The choice keys enter the list from its start: forward the first choice, back the last.
    find(menu, "Main Window Font")->selectNext();
    find(menu, "Status Bar Font Size")->selectPrevious();
    find(menu, "Screen Orientation")->selectNext();
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(settings.Fontface, "Arial");
    EXPECT_EQ(settings.StatusBarFontSize, 36);
    EXPECT_EQ(settings.Orientation, 0);
}

TEST(MenuModel, UntouchedMenuRewritesEverySettingUnchanged)
{
    LauncherSettings settings;
    settings.Fontface = "Liberation Serif";
    settings.StatusBarFontFace = "DejaVu Sans";
    settings.MenuFontSize = 10;
    settings.DisplayClones = 0;
    settings.DisplayVector = 5;  // any non-zero value reads as "Yes" and is written back as 1
    settings.MaxButtons = 5;
    settings.Orientation = 90;
    settings.MusicStopDuringGame = 0;
    FakeJukebox jukebox;
    Menu menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
    ASSERT_EQ(menu.size(), 25u);
    ASSERT_TRUE(menu.back().hasSubmenu());
    EXPECT_EQ(menu.back().submenu.size(), 6u);
    EXPECT_EQ(menu[17].text, "Display Maximum Buttons");
    EXPECT_EQ(menu[19].text, "Display Maximum Coin Slots");
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(settings.Fontface, "Liberation Serif");
    EXPECT_EQ(settings.StatusBarFontFace, "DejaVu Sans");
    EXPECT_EQ(settings.MenuFontSize, 10);
    EXPECT_EQ(settings.DisplayClones, 0);
    EXPECT_EQ(settings.DisplayVector, 1);
    EXPECT_EQ(settings.MaxButtons, 5);
    EXPECT_EQ(settings.Orientation, 90);
    EXPECT_EQ(settings.CurrentOrientation, 90);
    EXPECT_EQ(settings.MusicStopDuringGame, 0);
}

TEST(MenuModel, PlayingRowStartsAndStopsTheMusic)
{
    LauncherSettings settings;
    FakeJukebox jukebox;

    jukebox.playing = true;
    Menu menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
    MenuItem& playing = menu.back().submenu.front();
    EXPECT_EQ(playing.shownValue(), "Yes");
    playing.selectNext();  // "No"
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(jukebox.stopCalls, 1);
    EXPECT_FALSE(jukebox.playing);

    menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
    EXPECT_EQ(menu.back().submenu.front().shownValue(), "No");
    menu.back().submenu.front().selectPrevious();  // "Yes"
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(jukebox.playCalls, 1);
    EXPECT_TRUE(jukebox.playing);

    // Untouched, the row still ends in a call that keeps the present state.
    menu = buildOptionsMenu(settings, kFonts, jukebox.hooks());
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(jukebox.playCalls, 2);
    EXPECT_EQ(jukebox.stopCalls, 1);

    // Without a jukebox nothing is called and nothing breaks.
    menu = buildOptionsMenu(settings, kFonts, JukeboxHooks{});
    EXPECT_EQ(menu.back().submenu.front().shownValue(), "No");
    applyOptionsMenu(menu, settings, JukeboxHooks{});
}

TEST(MenuModel, FontNamesSortBytewiseAndTheLastEqualNameIsSelected)
{
    std::vector<std::string> names = {"arial", "Zapf", "Arial", "\xc3\x89toile", "Arial", "B"};
    sortFontNames(names);
    const std::vector<std::string> expected = {"Arial", "Arial", "B",
                                               "Zapf",  "arial", "\xc3\x89toile"};
    EXPECT_EQ(names, expected);

    const MenuItem item = makeFontItem("Font", "Arial", names);
    EXPECT_EQ(item.selected, 1);
    EXPECT_EQ(item.choices, names);
    EXPECT_EQ(makeFontItem("Font", "ARIAL", names).selected, -1);
    EXPECT_EQ(makeFontItem("Font", "Arial", {}).shownValue(), "Arial");
}

TEST(MenuModel, TwoThousandFontsBuildAndWriteBack)
{
    std::vector<std::string> names;
    for (int i = 1999; i >= 0; --i) {
        names.push_back("Face " + std::to_string(i));
    }
    sortFontNames(names);
    LauncherSettings settings;
    settings.Fontface = "Face 1234";
    FakeJukebox jukebox;
    Menu menu = buildOptionsMenu(settings, names, jukebox.hooks());
    MenuItem* font = find(menu, "Main Window Font");
    EXPECT_EQ(font->choices.size(), 2000u);
    font->selectNext();
    applyOptionsMenu(menu, settings, jukebox.hooks());
    EXPECT_EQ(settings.Fontface, "Face 1235");
}
