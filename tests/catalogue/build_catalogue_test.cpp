#include "catalogue/build_catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/game_cache.h"
#include "catalogue/listxml_import.h"
#include "catalogue_test_util.h"

using catalogue_test::fixture;
using Texts = std::vector<std::string>;
using testing::HasSubstr;

namespace {

// A cabinet around the stand-in emulator: its list, its log, a temporary folder, a cache path
// and a ROM folder holding four of the five games of the list (not pacman).
class BuildCatalogueTest : public testing::Test {
public:
    BuildCatalogueTest()
    {
        std::filesystem::create_directories(scratch.path("roms"));
        std::filesystem::create_directory(scratch.path("tmp"));
        scratch.write("list.xml", readFile(fixture("new_format.xml")));
        for (const std::string rom : {"asteroid", "mslug", "twoscreen", "oldinput"})
            scratch.write("roms/" + rom + ".zip", "");
        settings.MameExe = catalogue_test::standInEmulator();
        settings.GameCache = scratch.path("cache.xml");
        settings.RomsDir = scratch.path("roms");
        settings.UseMameInfoDat = 0;
        settings.MameinfoDat = scratch.path("mameinfo.dat");
        const auto note = [this](std::string e) { return [this, e] { events.push_back(e); }; };
        const auto noteText = [this](std::string e) {
            return [this, e](const std::string& text) { events.push_back(e + text); };
        };
        const auto record = [this](const std::optional<std::string>& v) { recorded = v; };
        // Each reading moves the clock on by `tick`; none by default, so no progress counts.
        const auto now = [this] { return clock += tick; };
        // clang-format off
        hooks = {noteText("show "), note("close"), note("discard keys"), note("controllers"),
                 note("jukebox"), noteText("sound "), note("music"), note("music hooks"),
                 note("timer"), record, now};
        // clang-format on
    }

    // Runs the build; `runs` gets the emulator's first argument of each run, `boxTexts` the
    // error boxes shown. Every run is in the temporary folder, which is left empty.
    int build()
    {
        events = runs = boxTexts = {};
        boxes.shown.clear();
        std::filesystem::remove(scratch.path("emulator.log"));
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int result = buildCatalogue(settings, table, position, boxes, hooks);
        output = testing::internal::GetCapturedStdout();
        errors = testing::internal::GetCapturedStderr();
        std::istringstream log(readFile(scratch.path("emulator.log")));
        bool first = false;
        for (std::string line; std::getline(log, line);) {
            const bool cwd = line.rfind("cwd=", 0) == 0;
            EXPECT_TRUE(!cwd || line == "cwd=" + scratch.path("tmp")) << line;
            if (first && line.rfind("arg=", 0) == 0) runs.push_back(line.substr(4));
            first = cwd;
        }
        for (const auto& shown : boxes.shown) {
            EXPECT_EQ(shown.caption, "Error");
            boxTexts.push_back(shown.text);
        }
        EXPECT_TRUE(!std::filesystem::exists(scratch.path("tmp")) ||
                    std::filesystem::is_empty(scratch.path("tmp")));
        return result;
    }

    TempFolder scratch;
    ScopedEnv tmpdir_{"TMPDIR", scratch.path("tmp")};
    ScopedEnv list_{"STAND_IN_MAME_LIST", scratch.path("list.xml")};
    ScopedEnv log_{"STAND_IN_MAME_LOG", scratch.path("emulator.log")};
    ScopedEnv version_{"STAND_IN_MAME_VERSION", std::nullopt};
    LauncherSettings settings;
    GameTable table;
    BrowsePosition position{7, 9, false};
    RecordingMessageBoxes boxes;
    CatalogueBuildHooks hooks;
    Texts events, runs, boxTexts;
    std::string output, errors;
    std::optional<std::optional<std::string>> recorded;  // what went to the settings file
    std::chrono::steady_clock::time_point clock;
    std::chrono::milliseconds tick{0};
};

}  // namespace

TEST_F(BuildCatalogueTest, FirstStartImportsTheListAndLaterStartsReuseTheCache)
{
    settings.SelectedGame = "oldinput";
    settings.UseMameInfoDat = 1;
    scratch.write("mameinfo.dat", "$info=mslug\n$mame\nRun and gun.\n\n$end\n");
    settings.Sounds.Startup = "/sounds/startup.wav";
    settings.MusicPlayAtStartup = 1;
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(runs, (Texts{"-help", "-listxml"}));
    EXPECT_TRUE(boxTexts.empty());
    EXPECT_EQ(settings.LastMameVersion, "MAME v0.251 (stand-in)");
    EXPECT_EQ(
        events,
        (Texts{"show Loading Game Information From Mame...", "show Building Game List (slow)...",
               "show Filtering And Sorting Roms...", "discard keys", "close", "controllers",
               "jukebox", "sound /sounds/startup.wav", "music", "music hooks", "timer"}));
    // The history file is only checked; its texts are read when first asked for.
    const std::string mslug = "mslug";
    EXPECT_TRUE(table.index->lookup(&mslug)->infoLines.empty());
    // Sorted by title; pacman's ROM is missing.
    Texts names;
    for (const GameRecord* game : table.filtered) names.push_back(game->romname);
    EXPECT_EQ(names, (Texts{"asteroid", "mslug", "oldinput", "twoscreen"}));
    EXPECT_EQ(table.gameCount(), 5);
    EXPECT_EQ(std::tie(position.selectedIndex, position.firstVisibleIndex, position.pageDirty),
              std::tuple(2, 0, true));

    // Same version: the cache is read and the list is not asked for. (A new version is taken
    // for a stale cache; see AnUnwritableCacheNeverLeavesTheOldListBehind.)
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(runs, Texts{"-help"});
    EXPECT_EQ(events[1], "show Building Game List...");
    EXPECT_EQ(table.gameCount(), 5);

    // A damaged cache is rebuilt from the emulator instead of stopping the start.
    scratch.write("cache.xml", readFile(fixture("cache_garbage.xml")));
    ASSERT_EQ(build(), 1);
    EXPECT_EQ(runs, (Texts{"-help", "-listxml"}));
    EXPECT_THAT(output, HasSubstr("cannot be read; rebuilding it"));
    GameTable cached;
    EXPECT_EQ(readGameCache(settings.GameCache, cached), 1);
}

TEST_F(BuildCatalogueTest, FailuresEndTheBuildWithTheirMessages)
{
    const std::string missing = scratch.path("no-mame");
    const std::pair<std::function<void()>, Texts> cases[] = {
        {[&] { scratch.write("list.xml", ""); }, {"Error loading game list!"}},
        {[&] { scratch.write("list.xml", "<mame/>"); }, {"No games found!"}},
        {[&] { std::filesystem::remove(scratch.path("tmp")); }, {"Error getting temporary path!"}},
        // An emulator that cannot start, and no cache to fall back on.
        {[&] { settings.MameExe = missing; },
         {"Failed to execute [" + missing + " -help]!",
          "Failed to execute [" + missing + " -listxml]!",
          "Error launching [" + missing + " -listxml]!"}},
        // A quote left open would swallow the switch; nothing runs.
        {[&] { settings.MameExe = "\"" + missing; },
         {"The emulator setting Mame.exe has a quote that is never closed: \"" + missing,
          "Error launching [\"" + missing + " -listxml]!"}},
        // A missing history file: the start fails after the list was imported.
        {[&] { settings.UseMameInfoDat = 1; }, {"Error loading mameinfo.dat!"}},
    };
    for (const auto& [setUp, texts] : cases) {
        std::filesystem::remove(settings.GameCache);
        std::filesystem::create_directories(scratch.path("tmp"));
        scratch.write("list.xml", readFile(fixture("new_format.xml")));
        settings.UseMameInfoDat = 0;
        settings.MameExe = catalogue_test::standInEmulator();
        setUp();
        EXPECT_EQ(build(), 0) << texts[0];
        EXPECT_EQ(boxTexts, texts);
    }
    // That last start wrote the cache and recorded the new version at once, so that the next
    // start, reading the settings file where only that changed, uses the cache.
    EXPECT_EQ(recorded, std::optional<std::string>("MAME v0.251 (stand-in)"));
    GameTable cached;
    EXPECT_EQ(readGameCache(settings.GameCache, cached), 1);

    // With a cache, a failed probe never forces a rebuild, and the version is forgotten.
    settings.UseMameInfoDat = 0;
    settings.MameExe = missing;
    scratch.write("cache.xml", readFile(fixture("cache_v1.xml")));
    settings.LastMameVersion = "MAME v0.100";
    EXPECT_EQ(build(), 1) << output;
    EXPECT_EQ(boxTexts, Texts{"Failed to execute [" + missing + " -help]!"});
    EXPECT_EQ(settings.LastMameVersion, std::nullopt);
    EXPECT_EQ(table.gameCount(), 3);
}

TEST_F(BuildCatalogueTest, TheRestoredSelectionWithoutHooks)
{
    // Empty hooks are skipped; progress then goes to standard output. A selection that is
    // filtered out, or named in another case, falls back to the first entry.
    hooks = CatalogueBuildHooks{};
    for (const auto& [selected, index] : {std::pair{"twoscreen", 3}, {"pacman", 0}, {"MSLUG", 0}}) {
        settings.SelectedGame = selected;
        ASSERT_EQ(build(), 1);
        EXPECT_EQ(position.selectedIndex, index) << selected;
    }
    EXPECT_THAT(output, HasSubstr("Loading Game Information From Mame...\n"));

    // A catalogue whose filters hide everything is not an error.
    settings.ControllerTypes = 0;
    EXPECT_EQ(build(), 1);
    EXPECT_EQ(table.filteredCount(), 0);
    EXPECT_EQ(position.selectedIndex, 0);
}

TEST_F(BuildCatalogueTest, AnUnwritableCacheNeverLeavesTheOldListBehind)
{
    // A name the cache file can have but its temporary file beside it cannot: every write
    // fails, even for root. The old cache, of the old emulator, holds three games.
    settings.GameCache = scratch.path(std::string(247, 'c') + ".xml");
    scratch.write(std::filesystem::path(settings.GameCache).filename().string(),
                  readFile(fixture("cache_v1.xml")));
    settings.LastMameVersion = "MAME v0.100";
    const std::string notice = "Game cache not written: " + settings.GameCache;
    for (int start = 0; start < 3; ++start) {
        ASSERT_EQ(build(), 1) << output;
        EXPECT_EQ(runs, (Texts{"-help", "-listxml"})) << start;
        EXPECT_EQ(table.gameCount(), 5) << start;
        // The first start also read the old cache while the emulator gave its version.
        EXPECT_EQ(events[start == 0 ? 3 : 2], "show Filtering And Sorting Roms... - " + notice);
        EXPECT_THAT(errors,
                    HasSubstr("The game cache [" + settings.GameCache + "] cannot be written"));
        EXPECT_FALSE(std::filesystem::exists(settings.GameCache));
        ASSERT_TRUE(recorded);
        EXPECT_EQ(*recorded, std::nullopt);
        EXPECT_EQ(settings.LastMameVersion, std::nullopt);
    }

    // A cache in a missing folder, or a FIFO in the cache's place: reported, never waited on.
    settings.GameCache = scratch.path("missing/cache.xml");
    ASSERT_EQ(build(), 1);
    EXPECT_THAT(errors, HasSubstr(settings.GameCache));
    settings.GameCache = scratch.path("fifo");
    ASSERT_EQ(std::system(("mkfifo '" + settings.GameCache + "'").c_str()), 0);
    settings.LastMameVersion = "MAME v0.251 (stand-in)";
    ASSERT_EQ(build(), 1);
    EXPECT_EQ(runs, (Texts{"-help", "-listxml"}));
    EXPECT_THAT(errors, HasSubstr(settings.GameCache)) << output;
    EXPECT_TRUE(std::filesystem::is_fifo(settings.GameCache));
}

TEST_F(BuildCatalogueTest, TheListIsReadWhileTheEmulatorWritesIt)
{
    // The stand-in stops after the third machine until the launcher shows a count, which it can
    // only do while the emulator is still running.
    std::string list = readFile(fixture("new_format.xml"));
    size_t at = 0;
    for (int i = 0; i < 3; ++i) at = list.find("</machine>", at) + 10;
    list.insert(at, "\n<!-- latch -->\n");
    scratch.write("list.xml", list);
    const ScopedEnv latch("STAND_IN_MAME_LATCH", scratch.path("latch"));
    hooks.showMessage = [this](const std::string& text) {
        events.push_back("show " + text);
        if (text.find("machines read") != std::string::npos) scratch.write("latch", "");
    };
    tick = std::chrono::milliseconds(100);  // a count every third entry
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(readFile(scratch.path("emulator.log")).find("latch timed out"), std::string::npos);
    EXPECT_THAT(
        output,
        HasSubstr("5 games kept; left out 1 not runnable, 1 BIOS sets, 1 without a screen"));
    EXPECT_EQ(
        Texts(events.begin(), events.begin() + 5),
        (Texts{"show Loading Game Information From Mame...", "show Building Game List (slow)...",
               "show Building Game List (slow)... 3 machines read, 0 games kept",
               "show Building Game List (slow)... 6 machines read, 3 games kept",
               "show Filtering And Sorting Roms..."}));
    // The cache holds every record of the whole list, in the list's order.
    const std::string cache = readFile(settings.GameCache);
    GameTable fromCache;
    ASSERT_EQ(readGameCache(settings.GameCache, fromCache), 1);
    EXPECT_EQ(catalogue_test::describeAll(fromCache.games),
              catalogue_test::describeAll(*readListXml(fixture("new_format.xml"))));

    // A list cut off midway, from a new emulator, leaves the table and the old cache alone.
    scratch.write("list.xml", list.substr(0, at));
    const ScopedEnv newVersion("STAND_IN_MAME_VERSION", std::string("MAME v0.252"));
    const long entries = scratch.entries();
    EXPECT_EQ(build(), 0);
    EXPECT_EQ(boxTexts, Texts{"Error loading game list!"});
    EXPECT_THAT(output, HasSubstr("error: could not parse file "));
    EXPECT_EQ(table.gameCount(), 5);
    EXPECT_EQ(readFile(settings.GameCache), cache);
    EXPECT_EQ(scratch.entries(), entries);
}
