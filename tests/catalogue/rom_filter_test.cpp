// The catalogue table: its index, its order, and the ROM scan and filters that choose what the
// browse screen shows.
#include "catalogue/rom_filter.h"

#include <gtest/gtest.h>

#include "catalogue_test_util.h"

using catalogue_test::makeGame;

TEST(IndexCatalogue, FirstOfEqualNamesWinsAnagramsAreApartAndClonesFindTheirParent)
{
    GameTable table;
    indexCatalogue(table);
    EXPECT_EQ(table.index, nullptr);
    EXPECT_EQ(findFilteredIndex(table, "pacman"), -1);

    // Bytes above 0x7F count as negative in the bucket sum.
    for (const char* name : {"puckman", "pacman", "puckman", "orphan", "kcupman", "\x80\xff", ""})
        table.games.push_back(makeGame(name));
    table.games[1]->cloneof = "puckman";
    table.games[3]->cloneof = "nosuchgame";
    table.games[4]->cloneof = "";  // a nameless record is no one's parent
    indexCatalogue(table);
    ASSERT_NE(table.index, nullptr);
    for (const std::string name : {"puckman", "kcupman", "pacman", "\x80\xff"}) {
        const GameRecord* found = table.index->lookup(&name);
        EXPECT_EQ(found ? found->romname : "(none)", name);
    }
    EXPECT_EQ(table.index->lookup(&table.games[2]->romname), table.games[0].get());
    const std::string unknown = "Puckman";
    EXPECT_EQ(table.index->lookup(&unknown), nullptr);
    EXPECT_EQ((std::vector{table.games[1]->parent, table.games[3]->parent, table.games[4]->parent}),
              (std::vector<GameRecord*>{table.games[0].get(), nullptr, nullptr}));

    // The filtered view is searched exactly, first match first.
    table.filtered = {table.games[4].get(), table.games[2].get(), table.games[0].get()};
    EXPECT_EQ(findFilteredIndex(table, "puckman"), 1);
    EXPECT_EQ(findFilteredIndex(table, "pacman"), -1);  // in games, filtered out
}

TEST(SortCatalogue, ComparesUnsignedBytesAndKeepsImportOrderForEqualTitles)
{
    GameTable table;
    for (const char* title : {"alpha", "Zeta", "Alpha", "\xc3\xa9t\xc3\xa9", "Same", "", "Same",
                              "Street Fighter II", "Street F", "Street F\xc3\xa9",
                              "Street Fighter II"})
        table.games.push_back(makeGame(std::to_string(table.games.size()), title));
    table.games[5]->description.clear();
    sortCatalogue(table);
    std::string order;
    for (const auto& game : table.games) order += game->romname + " ";
    // "" < "Alpha" < "Same"(4) < "Same"(6) < "Street F" < "Street Fighter II"(7, 10) <
    // "Street F\xc3\xa9" < "Zeta" < "alpha" < UTF-8 "été": bytes above 0x7F come last, also
    // beyond the eighth byte.
    EXPECT_EQ(order, "5 2 4 6 8 7 10 9 1 0 3 ");
}

TEST(ScanRomFolder, MarksTheFirstRecordOfEachFileName)
{
    TempFolder roms;
    for (const char* file :
         {"pacman.zip", "GALAGA.zip", "dkong.ZIP", "mslug.7z", "readme.txt", "zip", "twin.zip"})
        roms.write(file, "");
    std::filesystem::create_directory(roms.path("folder.zip"));

    GameTable table;
    for (const char* name : {"pacman", "galaga", "dkong", "mslug", "twin", "twin", "folder"}) {
        table.games.push_back(makeGame(name));
        table.games.back()->present = 1;  // stale marks from an earlier scan are cleared
    }
    scanRomFolder(table, roms.dir());
    std::string present;
    for (const auto& game : table.games) present += std::to_string(game->present);
    EXPECT_EQ(present, "1010100");

    // A missing folder, or a file where the folder should be: every game counts as missing.
    for (const std::string& folder : {roms.path("missing"), roms.path("pacman.zip")}) {
        scanRomFolder(table, folder);
        for (const auto& game : table.games) EXPECT_EQ(game->present, 0) << folder;
    }
}

TEST(FilterGames, EachFilterAtItsBoundaries)
{
    struct Row {
        const char *romname, *cloneof, *romof;  // "" for none
        int present;
        VideoInfo video;  // screen, orientation
        InputInfo input;  // players, buttons, coins, control
    } rows[] = {
        {"parent", "", "", 1, {"raster", 2}, {2, 2, 2, kControlJoy8Way}},
        {"clonegood", "parent", "parent", 1, {"raster", 1}, {1, 1, 1, kControlJoy4Way}},
        {"clonenoparentrom", "missingrom", "", 1, {"vector", 2}, {2, 0, 1, kControlDial}},
        {"missingrom", "", "", 0, {"raster", 2}, {2, 2, 2, kControlJoy8Way}},
        {"orphan", "notincatalogue", "", 1, {"raster", 2}, {2, 2, 2, kControlJoy8Way}},
        {"neo", "", "neogeo", 1, {"raster", 2}, {2, 4, 2, kControlJoy8Way}},
        {"vector", "", "", 1, {"vector", 2}, {1, 4, 1, kControlStick}},
        {"lcd", "", "", 1, {"lcd", 1}, {4, 8, 4, kControlTrackball}},
        {"unknownctl", "", "", 1, {"raster", 2}, {2, 2, 2, 0}},
        {"negative", "", "", 1, {"raster", 2}, {-1, 9, 0, kControlPaddle}},
    };
    GameTable table;
    for (const Row& r : rows) {
        auto& game = table.games.emplace_back(makeGame(r.romname));
        game->present = r.present;
        if (*r.cloneof) game->cloneof = r.cloneof;
        if (*r.romof) game->romof = r.romof;
        game->video = std::make_unique<VideoInfo>(r.video);
        game->input = std::make_unique<InputInfo>(r.input);
    }
    // No input or no video: shown whatever the filters say, even with its ROM missing.
    table.games.push_back(makeGame("novideo"));
    table.games.back()->input = std::make_unique<InputInfo>();
    table.games.push_back(makeGame("noinput"));
    table.games.back()->video = std::make_unique<VideoInfo>();
    indexCatalogue(table);
    using S = LauncherSettings;
    const std::pair<void (*)(S&), const char*> cases[] = {
        // A clone whose parent is not in the catalogue ("orphan") has no parent ROM to miss.
        {[](S&) {}, "parent clonegood orphan neo vector lcd"},
        {[](S& s) { s.DisplayMissingRoms = 1; },
         "parent clonegood clonenoparentrom missingrom orphan neo vector lcd"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.DisplayVertical = 0; },
         "parent clonenoparentrom missingrom orphan neo vector"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.DisplayHorizontal = 0; }, "clonegood lcd"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.DisplayClones = 0; },
         "parent missingrom neo vector lcd"},
        {[](S& s) { s.DisplayMissingRoms = 1, s.MinPlayers = 2, s.MaxPlayers = 2; },
         "parent clonenoparentrom missingrom orphan neo"},
        {[](S& s) { s.MinPlayers = -1, s.MaxPlayers = -1, s.MaxButtons = 9; }, "negative"},
        {[](S& s) { s.MinButtons = 4, s.MaxButtons = 8; }, "neo vector lcd"},
        {[](S& s) { s.MinCoins = 1, s.MaxCoins = 1; }, "clonegood vector"},
        {[](S& s) { s.ControllerTypes = kControlJoy4Way | kControlJoy8Way; },
         "parent clonegood orphan neo"},
        // Every controller bit still hides a game whose control is 0.
        {[](S& s) { s.DisplayMissingRoms = 1, s.ControllerTypes = -1, s.MaxButtons = 100; },
         "parent clonegood clonenoparentrom missingrom orphan neo vector lcd"},
        {[](S& s) { s.DisplayNeoGeo = 0; }, "parent clonegood orphan vector lcd"},
        {[](S& s) { s.DisplayNonNeoGeo = 0; }, "neo"},
        // An lcd screen is raster for both filters.
        {[](S& s) { s.DisplayVector = 0; }, "parent clonegood orphan neo lcd"},
        {[](S& s) { s.DisplayRaster = 0; }, "vector"},
    };
    for (const auto& [change, expected] : cases) {
        LauncherSettings settings;
        change(settings);
        filterGames(table, settings);
        std::string shown;
        for (const GameRecord* game : table.filtered) shown += game->romname + " ";
        EXPECT_EQ(shown, std::string(expected) + " novideo noinput ");
    }
}
