#include "catalogue/build_catalogue.h"

#include <gtest/gtest.h>

#include "catalogue/game_cache.h"
#include "catalogue_test_util.h"

using catalogue_test::fixture;
using catalogue_test::readAll;
using catalogue_test::ScopedEnv;
using catalogue_test::ScratchFolder;
using Texts = std::vector<std::string>;

namespace {

const std::string kStandInVersion = "MAME v0.251 (stand-in)";

// A cabinet around the stand-in emulator: its list, its log, a temporary folder, a cache path
// and a ROM folder holding four of the five games of the list (not pacman).
class BuildCatalogueTest : public testing::Test {
public:
    BuildCatalogueTest()
        : tmpdir_("TMPDIR", scratch.file("tmp")),
          list_("STAND_IN_MAME_LIST", list()),
          log_("STAND_IN_MAME_LOG", scratch.file("emulator.log")),
          version_("STAND_IN_MAME_VERSION", std::nullopt)
    {
        std::filesystem::create_directory(scratch.file("tmp"));
        std::filesystem::create_directory(scratch.file("roms"));
        scratch.write("list.xml", readAll(fixture("new_format.xml")));
        for (const char* rom : {"asteroid", "mslug", "twoscreen", "oldinput"})
            scratch.write("roms/" + std::string(rom) + ".zip", "");
        settings.MameExe = catalogue_test::standInEmulator();
        settings.GameCache = scratch.file("cache.xml");
        settings.RomsDir = scratch.file("roms");
        settings.UseMameInfoDat = 0;
        settings.MameinfoDat = scratch.file("mameinfo.dat");
        const auto note = [this](const char* event) {
            return [this, event] { events.push_back(event); };
        };
        hooks.showMessage = [this](const std::string& text) { events.push_back("show " + text); };
        hooks.closeMessage = note("close");
        hooks.discardKeyPresses = note("discard keys");
        hooks.setUpControllers = note("controllers");
        hooks.startJukebox = note("jukebox");
        hooks.playStartupSound = [this](const std::string& path) {
            events.push_back("sound " + path);
        };
        hooks.playMusicAtStartup = note("music");
        hooks.installMusicHooks = note("music hooks");
        hooks.startMusicBarTimer = note("timer");
    }

    std::string list() const { return scratch.file("list.xml"); }

    // Runs the build; `runs` gets the emulator's first argument of each run, `boxTexts` the
    // error boxes shown.
    int build()
    {
        events.clear();
        boxes.shown.clear();
        std::filesystem::remove(scratch.file("emulator.log"));
        testing::internal::CaptureStdout();
        const int result = buildCatalogue(settings, table, position, boxes, hooks);
        output = testing::internal::GetCapturedStdout();
        runs.clear();
        std::istringstream log(readAll(scratch.file("emulator.log")));
        bool first = false;
        for (std::string line; std::getline(log, line);) {
            const bool cwd = line.rfind("cwd=", 0) == 0;
            EXPECT_TRUE(!cwd || line == "cwd=" + scratch.file("tmp")) << line;
            if (first && line.rfind("arg=", 0) == 0) runs.push_back(line.substr(4));
            first = cwd;
        }
        boxTexts.clear();
        for (const auto& shown : boxes.shown) {
            EXPECT_EQ(shown.caption, "Error");
            boxTexts.push_back(shown.text);
        }
        if (fileExists(scratch.file("tmp"))) {
            EXPECT_TRUE(std::filesystem::is_empty(scratch.file("tmp")));
        }
        return result;
    }

    Texts filteredNames() const
    {
        Texts names;
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
    Texts events, runs, boxTexts;
    std::string output;
};

}  // namespace

TEST_F(BuildCatalogueTest, FirstStartImportsTheListAndLaterStartsReuseTheCache)
{
    settings.SelectedGame = "oldinput";
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(runs, (Texts{"-help", "-listxml"}));
    EXPECT_TRUE(boxTexts.empty());
    EXPECT_EQ(settings.LastMameVersion, kStandInVersion);
    EXPECT_EQ(events,
              (Texts{"show Loading Game Information From Mame...",
                     "show Building Game List (slow)...", "show Filtering And Sorting Roms...",
                     "discard keys", "close", "controllers", "jukebox", "music hooks", "timer"}));
    // Sorted by title; pacman's ROM is missing.
    EXPECT_EQ(filteredNames(), (Texts{"asteroid", "mslug", "oldinput", "twoscreen"}));
    EXPECT_EQ(table.gameCount(), 5);
    EXPECT_EQ(position.selectedIndex, 2);
    EXPECT_EQ(position.firstVisibleIndex, 0);
    EXPECT_TRUE(position.pageDirty);

    // Same version: the cache is read even though the emulator's list has changed meanwhile.
    scratch.write("list.xml", "<mame/>");
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(runs, Texts{"-help"});
    EXPECT_EQ(events[1], "show Building Game List...");
    EXPECT_EQ(table.gameCount(), 5);

    // A new version: the list is imported again and the cache rewritten.
    scratch.write("list.xml", readAll(fixture("old_format.xml")));
    const ScopedEnv newVersion("STAND_IN_MAME_VERSION", std::string("MAME v0.252"));
    ASSERT_EQ(build(), 1) << output;
    EXPECT_EQ(runs, (Texts{"-help", "-listxml"}));
    EXPECT_EQ(settings.LastMameVersion, "MAME v0.252");
    GameTable cached;
    ASSERT_EQ(readGameCache(settings.GameCache, cached), 1);
    EXPECT_EQ(cached.games[0]->romname, "puckman");

    // A damaged cache is rebuilt from the emulator instead of stopping the start.
    for (const char* damaged : {"cache_truncated.xml", "cache_garbage.xml"}) {
        scratch.write("cache.xml", readAll(fixture(damaged)));
        ASSERT_EQ(build(), 1) << damaged;
        EXPECT_EQ(runs, (Texts{"-help", "-listxml"})) << damaged;
        EXPECT_NE(output.find("cannot be read; rebuilding it"), std::string::npos) << output;
        EXPECT_EQ(readGameCache(settings.GameCache, cached), 1);
    }
}

TEST_F(BuildCatalogueTest, AnEmulatorThatCannotStart)
{
    const std::string missing = scratch.file("no-mame");
    settings.MameExe = missing;
    // Without a cache there is nothing to fall back on.
    EXPECT_EQ(build(), 0);
    EXPECT_EQ(boxTexts, (Texts{"Failed to execute [" + missing + " -help]!",
                               "Failed to execute [" + missing + " -listxml]!",
                               "Error launching [" + missing + " -listxml]!"}));

    // With one, a failed probe never forces a rebuild, and the version is forgotten.
    scratch.write("cache.xml", readAll(fixture("cache_v1.xml")));
    settings.LastMameVersion = "MAME v0.100";
    EXPECT_EQ(build(), 1) << output;
    EXPECT_EQ(boxTexts, Texts{"Failed to execute [" + missing + " -help]!"});
    EXPECT_EQ(settings.LastMameVersion, std::nullopt);
    EXPECT_EQ(table.gameCount(), 3);
}

TEST_F(BuildCatalogueTest, FailuresEndTheBuildWithTheirMessage)
{
    struct Case {
        std::function<void(BuildCatalogueTest&)> setUp;
        const char* box;
    } cases[] = {
        {[](auto& t) { t.scratch.write("list.xml", readAll(fixture("truncated.xml"))); },
         "Error loading game list!"},
        {[](auto& t) { t.scratch.write("list.xml", ""); }, "Error loading game list!"},
        {[](auto& t) { t.scratch.write("list.xml", "<mame/>"); }, "No games found!"},
        {[](auto& t) { t.settings.UseMameInfoDat = 1; }, "Error loading mameinfo.dat!"},
        {[](auto& t) { std::filesystem::remove(t.scratch.file("tmp")); },
         "Error getting temporary path!"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(settings.GameCache);
        std::filesystem::create_directories(scratch.file("tmp"));
        scratch.write("list.xml", readAll(fixture("new_format.xml")));
        settings.UseMameInfoDat = 0;
        c.setUp(*this);
        EXPECT_EQ(build(), 0) << c.box;
        EXPECT_EQ(boxTexts, Texts{c.box});
    }
}

TEST_F(BuildCatalogueTest, HistoryTextsSoundsMusicAndTheRestoredSelection)
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
    const std::pair<const char*, int> selections[] = {
        {"asteroid", 0}, {"twoscreen", 3}, {"pacman", 0}, {"nosuchgame", 0}, {"MSLUG", 0}};
    for (const auto& [selected, index] : selections) {
        settings.SelectedGame = selected;
        ASSERT_EQ(build(), 1);
        EXPECT_EQ(position.selectedIndex, index) << selected;
    }
    EXPECT_NE(output.find("Loading Game Information From Mame...\n"), std::string::npos);

    // A catalogue whose filters hide everything is not an error.
    settings.ControllerTypes = 0;
    EXPECT_EQ(build(), 1);
    EXPECT_EQ(table.filteredCount(), 0);
    EXPECT_EQ(position.selectedIndex, 0);
}
