#include "ui/menu_model.h"

#include <stdexcept>
#include <tuple>

#include <gtest/gtest.h>

namespace {

MenuItem& find(Menu& menu, const std::string& label)
{
    for (MenuItem& item : menu) {
        if (item.text == label) return item;
    }
    throw std::runtime_error("no entry " + label);
}

std::vector<std::string> shown(Menu& menu, std::initializer_list<const char*> labels)
{
    std::vector<std::string> values;
    for (const char* label : labels) values.push_back(find(menu, label).shownValue());
    return values;
}

const std::vector<std::string> kFonts = {"Arial", "DejaVu Sans", "Liberation Sans",
                                         "Liberation Serif"};

}  // namespace

TEST(MenuModel, SizeEntriesSelectAndWriteBackEvenSizes)
{
    // {setting, shown, written back}: 38 and more match no choice, shown as they are and kept.
    const std::tuple<int, const char*, int> cases[] = {
        {19, "18", 18}, {7, "8", 8}, {-40, "8", 8}, {37, "36", 36}, {38, "38", 38}};
    for (const auto& [value, shown, writtenBack] : cases) {
        LauncherSettings settings;
        settings.Fontsize = value;
        Menu menu = buildOptionsMenu(settings, kFonts, {});
        EXPECT_EQ(find(menu, "Main Window Font Size").shownValue(), shown) << value;
        applyOptionsMenu(menu, settings, {});
        EXPECT_EQ(settings.Fontsize, writtenBack) << value;
    }
}

TEST(MenuModel, RowsWriteBackWhatTheyShowAndUnmatchedValuesStayUntilAChoiceIsMade)
{
    LauncherSettings s;
    s.MinPlayers = -3;
    s.MaxPlayers = 12;
    s.MaxCoins = 8;
    s.MenuType = 7;  // anything but 1 reads as the image browser
    s.PreviewPictures = 2;
    s.StatusBarFontFace = "DejaVu Sans";
    s.DisplayVector = 5;  // non-zero reads as "Yes", written back as 1
    s.MusicStopDuringGame = 0;
    s.Fontface = "Comic Neue";  // not installed
    s.StatusBarFontSize = 40;
    s.Orientation = s.CurrentOrientation = 45;
    // The rows, their order and the music sub-menu's show in the options menu's golden pictures.
    Menu menu = buildOptionsMenu(s, kFonts, {});
    EXPECT_EQ(shown(menu, {"Menu Type", "Preview Pictures", "Main Window Font",
                           "Status Bar Font Size", "Screen Orientation"}),
              (std::vector<std::string>{"Image Preview", "Flyers", "Comic Neue", "40", "45"}));
    applyOptionsMenu(menu, s, {});
    EXPECT_EQ(std::tuple(s.MinPlayers, s.MaxPlayers, s.MaxCoins, s.MenuType, s.PreviewPictures,
                         s.DisplayVector, s.MusicStopDuringGame, s.StatusBarFontFace, s.Fontface,
                         s.StatusBarFontSize, s.Orientation, s.CurrentOrientation),
              std::tuple(0, 8, 8, int{kMenuTypeImageBrowser}, int{kPreviewFlyers}, 1, 0,
                         std::string("DejaVu Sans"), std::string("Comic Neue"), 40, 45, 45));

    // The choice keys enter the list from its start: forward the first choice, back the last.
    find(menu, "Main Window Font").selectNext();
    find(menu, "Status Bar Font Size").selectPrevious();
    find(menu, "Screen Orientation").selectPrevious();       // "Rotate Left"
    find(menu, "Menu Type").selectNext();                    // wraps to "List View"
    find(menu, "Display Minimum Buttons").selectPrevious();  // "0" wraps to "8"
    find(menu, kMusicJukeboxLabel).submenu[4].selectNext();  // "Repeat Song"
    const int repeat = s.MusicRepeatSong;
    s.CurrentOrientation = 180;  // as if player 2 had turned the screen meanwhile
    applyOptionsMenu(menu, s, {});
    EXPECT_EQ(
        std::tuple(s.Fontface, s.StatusBarFontSize, s.Orientation, s.CurrentOrientation, s.MenuType,
                   s.MinButtons, s.MusicRepeatSong),
        std::tuple(std::string("Arial"), 36, -90, -90, int{kMenuTypeListView}, 8, repeat ? 0 : 1));
}

TEST(MenuModel, PlayingRowStartsAndStopsTheMusic)
{
    // {playing, toggled}: untouched, the row still ends in the call that keeps the state.
    for (const auto& [wasPlaying, toggle] : {std::pair{true, true}, {false, true}, {true, false}}) {
        bool playing = wasPlaying;
        int plays = 0, stops = 0;
        const JukeboxHooks jukebox{[&] { return playing; }, [&] { ++plays, playing = true; },
                                   [&] { ++stops, playing = false; }};
        LauncherSettings settings;
        Menu menu = buildOptionsMenu(settings, kFonts, jukebox);
        MenuItem& row = find(menu, kMusicJukeboxLabel).submenu.front();
        EXPECT_EQ(row.shownValue(), wasPlaying ? "Yes" : "No");
        if (toggle) row.selectNext();
        applyOptionsMenu(menu, settings, jukebox);
        EXPECT_EQ(playing, wasPlaying != toggle);
        EXPECT_EQ(plays + stops, 1);
    }
}

TEST(MenuModel, FontNamesSortBytewiseAndTheLastEqualNameIsSelected)
{
    std::vector<std::string> names = {"arial", "Zapf", "Arial", "\xc3\x89toile", "Arial", "B"};
    sortFontNames(names);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Arial", "Arial", "B", "Zapf", "arial", "\xc3\x89toile"}));
    EXPECT_EQ(makeFontItem("Font", "Arial", names).selected, 1);
    EXPECT_EQ(makeFontItem("Font", "ARIAL", names).selected, -1);
}
