#include "catalogue/build_catalogue.h"

#include <gtest/gtest.h>

#include "catalogue/game_cache.h"
#include "catalogue_test_util.h"

using catalogue_test::fixture;
using catalogue_test::readAll;
using catalogue_test::ScopedEnv;
using catalogue_test::ScratchFolder;
using catalogue_test::standInEmulator;

namespace {

const std::string kStandInVersion = "MAME v0.251 (stand-in)";

// One cabinet set-up around the stand-in emulator: its list, its log, a temporary folder, a
// cache path and a ROM folder holding four of the five games of the list.
class BuildCatalogueTest : public testing::Test {
public:
    BuildCatalogueTest()
        : tmpdir_("TMPDIR", scratch.file("tmp")),
          list_("STAND_IN_MAME_LIST", scratch.file("list.xml")),
          log_("STAND_IN_MAME_LOG", scratch.file("emulator.log")),
          version_("STAND_IN_MAME_VERSION", std::nullopt)
    {
        std::filesystem::create_directory(scratch.file("tmp"));
        std::filesystem::create_directory(scratch.file("roms"));
        std::filesystem::copy_file(fixture("new_format.xml"), scratch.file("list.xml"));
        for (const char* rom : {"asteroid", "mslug", "twoscreen", "oldinput"})
            scratch.write("roms/" + std::string(rom) + ".zip", "");
        settings.MameExe = standInEmulator();
        settings.GameCache = scratch.file("cache.xml");
        settings.RomsDir = scratch.file("roms");
        settings.UseMameInfoDat = 0;
        settings.MameinfoDat = scratch.file("mameinfo.dat");
        hooks.showMessage = [this](const std::string& text) { events.push_back("show " + text); };
        hooks.closeMessage = [this] { events.push_back("close"); };
        hooks.discardKeyPresses = [this] { events.push_back("discard keys"); };
        hooks.setUpControllers = [this] { events.push_back("controllers"); };
        hooks.startJukebox = [this] { events.push_back("jukebox"); };
        hooks.playStartupSound = [this](const std::string& path) {
            events.push_back("sound " + path);
        };
        hooks.playMusicAtStartup = [this] { events.push_back("music"); };
        hooks.installMusicHooks = [this] { events.push_back("music hooks"); };
        hooks.startMusicBarTimer = [this] { events.push_back("timer"); };
    }

    int build()
    {
        events.clear();
        boxes.shown.clear();
        std::filesystem::remove(scratch.file("emulator.log"));
        testing::internal::CaptureStdout();
        const int result = buildCatalogue(settings, table, position, boxes, hooks);
        output = testing::internal::GetCapturedStdout();
        return result;
    }

    // The switches the emulator was started with, in order ("" for a game launch).
    std::vector<std::string> emulatorRuns() const
    {
        std::vector<std::string> runs;
        std::string text = readAll(scratch.file("emulator.log"));
        size_t at = 0;
        while ((at = text.find("run\ncwd=", at)) != std::string::npos) {
            const size_t cwdEnd = text.find('\n', at + 8);
            EXPECT_EQ(text.substr(at + 8, cwdEnd - at - 8), scratch.file("tmp"));
            const size_t arg = text.find("arg=", cwdEnd);
            runs.push_back(text.substr(arg + 4, text.find('\n', arg) - arg - 4));
            at = cwdEnd;
        }
        return runs;
    }

    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& shown : boxes.shown) {
            EXPECT_EQ(shown.caption, "Error");
            texts.push_back(shown.text);
        }
        return texts;
    }

    std::vector<std::string> filteredNames() const
    {
        std::vector<std::string> names;
        for (const GameRecord* game : table.filtered) names.push_back(game->romname);
        return names;
    }

    ScratchFolder scratch;
    ScopedEnv tmpdir_, list_, log_, version_;
    LauncherSettings settings;
    GameTable table;
    BrowsePosition position{7, 9, false};
    RecordingMessageBoxes boxes;
    CatalogueBuildHooks hooks;
    std::vector<std::string> events;
    std::string output;
};

using Texts = std::vector<std::string>;

}  // namespace

TEST_F(BuildCatalogueTest, FirstStartImportsTheListAndLaterStartsReuseTheCache)
{
    settings.SelectedGame = "oldinput";
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(emulatorRuns(), (Texts{"-help", "-listxml"}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(settings.LastMameVersion, kStandInVersion);
    EXPECT_TRUE(fileExists(settings.GameCache));
    EXPECT_EQ(std::filesystem::is_empty(scratch.file("tmp")), true);
    EXPECT_EQ(events,
              (Texts{"show Loading Game Information From Mame...",
                     "show Building Game List (slow)...", "show Filtering And Sorting Roms...",
                     "discard keys", "close", "controllers", "jukebox", "music hooks", "timer"}));
    // Sorted by title; pacman is hidden because its parent is not installed.
    EXPECT_EQ(filteredNames(), (Texts{"asteroid", "mslug", "oldinput", "twoscreen"}));
    EXPECT_EQ(table.gameCount(), 5);
    EXPECT_EQ(position.selectedIndex, 2);
    EXPECT_EQ(position.firstVisibleIndex, 0);
    EXPECT_TRUE(position.pageDirty);

    // Same version: the cache is read even though the emulator's list has changed meanwhile.
    scratch.write("list.xml", "<mame/>");
    GameTable fresh;
    std::swap(table, fresh);
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(emulatorRuns(), Texts{"-help"});
    EXPECT_EQ(events[1], "show Building Game List...");
    EXPECT_EQ(table.gameCount(), 5);

    // A new version: the list is imported again and the cache rewritten.
    scratch.write("list.xml", readAll(fixture("old_format.xml")));
    const ScopedEnv newVersion("STAND_IN_MAME_VERSION", std::string("MAME v0.252"));
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(emulatorRuns(), (Texts{"-help", "-listxml"}));
    EXPECT_EQ(settings.LastMameVersion, "MAME v0.252");
    GameTable cached;
    ASSERT_EQ(readGameCache(settings.GameCache, cached), 1);
    EXPECT_EQ(cached.gameCount(), 5);
    EXPECT_EQ(cached.games[0]->romname, "puckman");
}

TEST_F(BuildCatalogueTest, AnEmulatorThatCannotStart)
{
    const std::string missing = scratch.file("no-mame");
    settings.MameExe = missing;

    // Without a cache there is nothing to fall back on.
    EXPECT_EQ(build(), 0);
    EXPECT_EQ(boxTexts(), (Texts{"Failed to execute [" + missing + " -help]!",
                                 "Failed to execute [" + missing + " -listxml]!",
                                 "Error launching [" + missing + " -listxml]!"}));
    EXPECT_TRUE(std::filesystem::is_empty(scratch.file("tmp")));

    // With one, a failed probe never forces a rebuild, and the version is forgotten.
    std::filesystem::copy_file(fixture("cache_v1.xml"), settings.GameCache);
    settings.LastMameVersion = "MAME v0.100";
    EXPECT_EQ(build(), 1) << output;
    EXPECT_EQ(boxTexts(), Texts{"Failed to execute [" + missing + " -help]!"});
    EXPECT_EQ(settings.LastMameVersion, std::nullopt);
    EXPECT_EQ(table.gameCount(), 3);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.file("tmp")));
}

TEST_F(BuildCatalogueTest, ADamagedCacheIsRebuiltFromTheEmulator)
{
    settings.LastMameVersion = kStandInVersion;
    for (const char* damaged : {"cache_truncated.xml", "cache_garbage.xml"}) {
        std::filesystem::copy_file(fixture(damaged), settings.GameCache,
                                   std::filesystem::copy_options::overwrite_existing);
        ASSERT_EQ(build(), 1) << damaged;
        EXPECT_EQ(emulatorRuns(), (Texts{"-help", "-listxml"})) << damaged;
        EXPECT_NE(output.find("cannot be read; rebuilding it"), std::string::npos) << output;
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(table.gameCount(), 5);
        GameTable cached;
        EXPECT_EQ(readGameCache(settings.GameCache, cached), 1);
    }
}

TEST_F(BuildCatalogueTest, FailuresEndTheBuildWithTheirMessage)
{
    struct Case {
        const char* name;
        std::function<void(BuildCatalogueTest&)> setUp;
        Texts boxes;
    } cases[] = {
        {"truncated list",
         [](BuildCatalogueTest& t) {
             std::filesystem::copy_file(fixture("truncated.xml"), t.scratch.file("list.xml"),
                                        std::filesystem::copy_options::overwrite_existing);
         },
         {"Error loading game list!"}},
        {"no list output",
         [](BuildCatalogueTest& t) { t.scratch.write("list.xml", ""); },
         {"Error loading game list!"}},
        {"empty list",
         [](BuildCatalogueTest& t) { t.scratch.write("list.xml", "<mame/>"); },
         {"No games found!"}},
        {"missing mameinfo.dat",
         [](BuildCatalogueTest& t) { t.settings.UseMameInfoDat = 1; },
         {"Error loading mameinfo.dat!"}},
        {"no temporary folder",
         [](BuildCatalogueTest& t) { std::filesystem::remove(t.scratch.file("tmp")); },
         {"Error getting temporary path!"}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(settings.GameCache);
        std::filesystem::create_directories(scratch.file("tmp"));
        std::filesystem::copy_file(fixture("new_format.xml"), scratch.file("list.xml"),
                                   std::filesystem::copy_options::overwrite_existing);
        settings.UseMameInfoDat = 0;
        c.setUp(*this);
        EXPECT_EQ(build(), 0) << c.name;
        EXPECT_EQ(boxTexts(), c.boxes) << c.name;
        if (fileExists(scratch.file("tmp"))) {
            EXPECT_TRUE(std::filesystem::is_empty(scratch.file("tmp"))) << c.name;
        }
    }
}

TEST_F(BuildCatalogueTest, HistoryTextsSoundsAndMusic)
{
    settings.UseMameInfoDat = 1;
    scratch.write("mameinfo.dat", "$info=mslug\n$mame\nRun and gun.\n\n$end\n");
    settings.Sounds.Startup = "/sounds/startup.wav";
    settings.MusicPlayAtStartup = 1;
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(events[2], "show Reading mameinfo.dat...");
    EXPECT_EQ(Texts(events.end() - 6, events.end()),
              (Texts{"controllers", "jukebox", "sound /sounds/startup.wav", "music", "music hooks",
                     "timer"}));
    const std::string mslug = "mslug";
    EXPECT_EQ(table.index->lookup(&mslug)->infoLines, Texts{"Run and gun."});

    // Empty hooks are skipped; progress then goes to standard output.
    hooks = CatalogueBuildHooks{};
    ASSERT_EQ(build(), 1);
    EXPECT_NE(output.find("Loading Game Information From Mame...\n"), std::string::npos);
    EXPECT_NE(output.find("Filtering And Sorting Roms...\n"), std::string::npos);
}

TEST_F(BuildCatalogueTest, SelectionIsRestoredWhenTheGameIsShown)
{
    struct Case {
        const char* selected;
        int expected;
    } cases[] = {{"asteroid", 0}, {"mslug", 1},      {"twoscreen", 3},
                 {"pacman", 0},   {"nosuchgame", 0}, {"MSLUG", 0}};
    for (const auto& c : cases) {
        settings.SelectedGame = c.selected;
        ASSERT_EQ(build(), 1);
        EXPECT_EQ(position.selectedIndex, c.expected) << c.selected;
    }

    // A catalogue whose filters hide everything is not an error.
    settings.ControllerTypes = 0;
    EXPECT_EQ(build(), 1);
    EXPECT_EQ(table.filteredCount(), 0);
    EXPECT_EQ(position.selectedIndex, 0);
}
