#include "catalogue/rom_filter.h"

#include <gtest/gtest.h>

#include "catalogue_test_util.h"

using catalogue_test::makeGame;
using catalogue_test::ScratchFolder;

TEST(ScanRomFolder, MarksTheFirstRecordOfEachFileName)
{
    ScratchFolder roms;
    for (const char* file :
         {"pacman.zip", "GALAGA.zip", "dkong.ZIP", "mslug.7z", "readme.txt", "zip", "twin.zip"}) {
        roms.write(file, "");
    }
    std::filesystem::create_directory(roms.file("folder.zip"));

    GameTable table;
    for (const char* name : {"pacman", "galaga", "dkong", "mslug", "twin", "twin", "folder"}) {
        table.games.push_back(makeGame(name));
        table.games.back()->present = 1;  // stale marks from an earlier scan are cleared
    }
    scanRomFolder(table, roms.path());
    std::vector<int> present;
    for (const auto& game : table.games) present.push_back(game->present);
    EXPECT_EQ(present, (std::vector<int>{1, 0, 1, 0, 1, 0, 0}));

    // A missing folder, or a file where the folder should be: every game counts as missing.
    for (const std::string& folder : {roms.file("missing"), roms.file("pacman.zip")}) {
        scanRomFolder(table, folder);
        for (const auto& game : table.games) EXPECT_EQ(game->present, 0) << folder;
    }
}

namespace {

struct GameRow {
    const char* romname;
    int present;
    const char* cloneof;  // "" for none
    const char* romof;
    uint16_t orientation;
    const char* screen;
    int16_t players, buttons, coins;
    uint16_t control;
};

GameTable makeTable()
{
    const GameRow games[] = {
        {"parent", 1, "", "", 2, "raster", 2, 2, 2, kControlJoy8Way},
        {"clonegood", 1, "parent", "parent", 1, "raster", 1, 1, 1, kControlJoy4Way},
        {"clonenoparentrom", 1, "missingrom", "", 2, "vector", 2, 0, 1, kControlDial},
        {"missingrom", 0, "", "", 2, "raster", 2, 2, 2, kControlJoy8Way},
        {"orphan", 1, "notincatalogue", "", 2, "raster", 2, 2, 2, kControlJoy8Way},
        {"neo", 1, "", "neogeo", 2, "raster", 2, 4, 2, kControlJoy8Way},
        {"neocaps", 1, "", "NEOGEO", 2, "raster", 2, 4, 2, kControlJoy8Way},
        {"vector", 1, "", "", 2, "vector", 1, 4, 1, kControlStick},
        {"lcd", 1, "", "", 1, "lcd", 4, 8, 4, kControlTrackball},
        {"unknownctl", 1, "", "", 2, "raster", 2, 2, 2, 0},
        {"negative", 1, "", "", 2, "raster", -1, 9, 0, kControlPaddle},
    };
    GameTable table;
    for (const auto& s : games) {
        auto game = makeGame(s.romname);
        game->present = s.present;
        if (*s.cloneof) game->cloneof = s.cloneof;
        if (*s.romof) game->romof = s.romof;
        game->video = std::make_unique<VideoInfo>(VideoInfo{s.screen, s.orientation, 0, 0});
        game->input =
            std::make_unique<InputInfo>(InputInfo{s.players, s.buttons, s.coins, s.control});
        table.games.push_back(std::move(game));
    }
    // No input or no video: shown whatever the filters say, even with its ROM missing.
    table.games.push_back(makeGame("novideo"));
    table.games.back()->input = std::make_unique<InputInfo>();
    table.games.push_back(makeGame("noinput"));
    table.games.back()->video = std::make_unique<VideoInfo>();
    indexCatalogue(table);
    return table;
}

}  // namespace

TEST(FilterGames, EachFilterAtItsBoundaries)
{
    using S = LauncherSettings;
    struct Case {
        void (*change)(S&);
        const char* expected;
    } cases[] = {
        // A clone whose parent is not in the catalogue ("orphan") has no parent ROM to miss.
        {[](S&) {}, "parent clonegood orphan neo neocaps vector lcd novideo noinput"},
        {[](S& s) { s.DisplayMissingRoms = 1; },
         "parent clonegood clonenoparentrom missingrom orphan neo neocaps vector lcd novideo "
         "noinput"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.DisplayVertical = 0; },
         "parent clonenoparentrom missingrom orphan neo neocaps vector novideo noinput"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.DisplayHorizontal = 0; },
         "clonegood lcd novideo noinput"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.DisplayClones = 0; },
         "parent missingrom neo neocaps vector lcd novideo noinput"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.MinPlayers = 2, s.MaxPlayers = 2; },
         "parent clonenoparentrom missingrom orphan neo neocaps novideo noinput"},
        {[](S& s) { s.MinPlayers = -1, s.MaxPlayers = -1, s.MaxButtons = 9; },
         "negative novideo noinput"},
        {[](S& s) { s.MinButtons = 4, s.MaxButtons = 8; },
         "neo neocaps vector lcd novideo noinput"},
        {[](S& s) { s.MinCoins = 1, s.MaxCoins = 1; }, "clonegood vector novideo noinput"},
        {[](S& s) { s.ControllerTypes = kControlJoy4Way | kControlJoy8Way; },
         "parent clonegood orphan neo neocaps novideo noinput"},
        {[](S& s) { s.ControllerTypes = 0; }, "novideo noinput"},
        // Every controller bit still hides a game whose control is 0.
        {[](S& s) { s.DisplayMissingRoms = 1, s.ControllerTypes = -1, s.MaxButtons = 100; },
         "parent clonegood clonenoparentrom missingrom orphan neo neocaps vector lcd novideo "
         "noinput"},
        {[](S& s) { s.DisplayNeoGeo = 0; },
         "parent clonegood orphan neocaps vector lcd novideo noinput"},
        {[](S& s) { s.DisplayNonNeoGeo = 0; }, "neo novideo noinput"},
        {[](S& s) { s.DisplayNeoGeo = 0, s.DisplayNonNeoGeo = 0; }, "novideo noinput"},
        {[](S& s) { s.DisplayVector = 0; },
         "parent clonegood orphan neo neocaps lcd novideo noinput"},
        {[](S& s) { s.DisplayRaster = 0; }, "vector lcd novideo noinput"},
    };
    GameTable table = makeTable();
    for (const auto& c : cases) {
        LauncherSettings settings;
        c.change(settings);
        filterGames(table, settings);
        std::string shown;
        for (const GameRecord* game : table.filtered)
            shown += (shown.empty() ? "" : " ") + game->romname;
        EXPECT_EQ(shown, c.expected);
    }
}
