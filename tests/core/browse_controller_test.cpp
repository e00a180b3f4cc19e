#include "core/browse_controller.h"

#include <sstream>

#include <gtest/gtest.h>

#include "input/fake_controller_port.h"

namespace {

class FakeView final : public BrowseView {
public:
    void composeFrame() override { ++composes; }
    void invalidate() override { ++invalidates; }
    void update() override { ++updates; }
    int pageSize() override { return page; }
    int composes = 0;
    int invalidates = 0;
    int updates = 0;
    int page = 10;
};

class RecordingSounds final : public SoundPlayer {
public:
    bool play(const std::string& path, SoundWait wait) override
    {
        played.push_back(path + (wait == SoundWait::UntilDone ? " (wait)" : ""));
        return true;
    }
    void stopAll() override {}
    std::vector<std::string> played;
};

std::string romname(int i) { return "game" + std::to_string(1000 + i).substr(1); }

struct Harness {
    explicit Harness(int games)
    {
        settings.Sounds.Error = "error.wav";
        settings.Sounds.StartGame = "start.wav";
        settings.DisplayMissingRoms = 1;
        for (int i = 0; i < games; ++i) {
            auto game = std::make_unique<GameRecord>();
            game->romname = romname(i);
            game->description = "Game " + std::to_string(i);
            game->present = 1;
            game->video = std::make_unique<VideoInfo>(VideoInfo{"raster", 2, 320, 240});
            game->input = std::make_unique<InputInfo>(InputInfo{1, 2, 1, kControlJoy8Way});
            table.filtered.push_back(game.get());
            table.games.push_back(std::move(game));
        }
        indexCatalogue(table);
        keyboard.setFocus(true);
        BrowseCommands commands;
        commands.showMessage = [this](const std::string& text) { log.push_back("show " + text); };
        commands.closeMessage = [this] { log.push_back("close"); };
        commands.launchGame = [this](const GameRecord& game, int& exitCode) {
            log.push_back("launch " + game.romname);
            if (duringLaunch) duringLaunch();
            clock.advanceMs(launchMs);
            if (launchRan == 1) exitCode = launchExitCode;
            return launchRan;
        };
        commands.openMenu = [this] {
            log.push_back("menu");
            if (menuChanges) menuChanges();
            return menuShown;
        };
        commands.openGameInfo = [this](const std::vector<std::string>& lines) {
            log.push_back("info " + lines.front());
        };
        commands.musicPlay = [this] { log.push_back("play"); };
        commands.musicStop = [this] { log.push_back("stop"); };
        commands.musicNext = [this] { log.push_back("next"); };
        commands.musicPrevious = [this] { log.push_back("previous"); };
        controller = std::make_unique<BrowseController>(settings, table, position, actions, screen,
                                                        view, sounds, clock, commands);
        controller->setEventHandler(
            [this](const ScreenEvent& e) { log.push_back("event " + std::to_string(e.timerId)); });
    }

    void tap(int key)
    {
        keyboard.keyDown(key);
        keyboard.keyUp(key);
    }
    void tick() { controller->browseTick(); }
    int64_t nowMs() const { return clock.nowNs() / 1'000'000; }
    bool quitQueued()
    {
        bool quit = false;
        while (const auto event = screen.pollEvent()) quit |= event->type == ScreenEventType::Quit;
        return quit;
    }

    LauncherSettings settings;
    GameTable table;
    BrowsePosition position;
    FakeScreen screen{64, 48};
    ManualClock clock;
    KeyboardState keyboard;
    FakeControllerPort port;
    std::ostringstream diagnostics;
    Joystick joystick{port, settings, diagnostics};
    InputActions actions{settings, keyboard, joystick};
    FakeView view;
    RecordingSounds sounds;
    std::vector<std::string> log;
    std::function<void()> duringLaunch;
    std::function<void()> menuChanges;
    int launchRan = 1;
    int launchExitCode = 0;
    int64_t launchMs = 0;
    bool menuShown = true;
    std::unique_ptr<BrowseController> controller;
};

}  // namespace

TEST(BrowseController, MovesStopAtBothEndsWithTheErrorSound)
{
    const KeyMappingSettings keys;
    struct Case {
        int games, start, key, expected;
        bool refused;
    };
    const Case cases[] = {
        {5, 0, keys.SelectUp, 0, true},       {5, 4, keys.SelectDown, 4, true},
        {5, 4, keys.SelectPageDown, 4, true}, {5, 0, keys.SelectPageUp, 0, true},
        {0, 0, keys.SelectUp, 0, true},       {0, 0, keys.SelectDown, 0, true},
        {0, 0, keys.SelectPageDown, 0, true}, {0, 0, keys.SelectPageUp, 0, true},
        {1, 0, keys.SelectDown, 0, true},     {5, 2, keys.SelectUp, 1, false},
        {5, 2, keys.SelectDown, 3, false},    {5, 2, keys.P2SelectDown, 3, false},
    };
    for (const Case& c : cases) {
        Harness h(c.games);
        h.position.selectedIndex = c.start;
        h.tap(c.key);
        h.tick();
        EXPECT_EQ(h.position.selectedIndex, c.expected)
            << c.games << "/" << c.start << "/" << c.key;
        EXPECT_EQ(h.sounds.played,
                  c.refused ? std::vector<std::string>{"error.wav"} : std::vector<std::string>{});
        EXPECT_EQ(h.view.composes, c.refused ? 0 : 1);
        // The sound is only played when one is set.
        h.settings.Sounds.Error.reset();
        h.tap(c.key);
        h.tick();
        EXPECT_LE(h.sounds.played.size(), 1u);
    }
}

TEST(BrowseController, PagesMoveByTheViewsPageAndClampAtTheEnds)
{
    const KeyMappingSettings keys;
    struct Case {
        int start, key, page, expected;
    };
    const Case cases[] = {
        {46, keys.SelectPageDown, 10, 49},  // three before the end lands on the last
        {2, keys.SelectPageUp, 10, 0},
        {0, keys.SelectPageDown, 10, 10},
        {30, keys.SelectPageUp, 10, 20},
        {30, keys.SelectPageDown, 12, 42},  // image browser: 3 rows x 4 columns
        {30, keys.P2SelectPageUp, 12, 18},
    };
    for (const Case& c : cases) {
        Harness h(50);
        h.view.page = c.page;
        h.position.selectedIndex = c.start;
        h.tap(c.key);
        h.tick();
        EXPECT_EQ(h.position.selectedIndex, c.expected) << c.start << " key " << c.key;
        EXPECT_EQ(h.view.updates, 1);
        EXPECT_TRUE(h.sounds.played.empty());
    }
}

TEST(BrowseController, UpAndDownInOneTickLeaveTheIndexAfterTwoRepaints)
{
    Harness h(10);
    h.position.selectedIndex = 5;
    h.tap(h.settings.Keymappings.SelectUp);
    h.tap(h.settings.Keymappings.SelectDown);
    h.tick();
    EXPECT_EQ(h.position.selectedIndex, 5);
    EXPECT_EQ(h.view.composes, 2);
}

TEST(BrowseController, PlayerTwoTurnsTheScreenAndPlayerOneTurnsItBack)
{
    const KeyMappingSettings keys;
    struct Step {
        std::vector<int> keys;
        int orientation;
    };
    struct Case {
        int invert, base;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {1, 0, {{{keys.P2SelectDown}, 180}, {{keys.SelectUp}, 0}}},
        {1, 0, {{{keys.P2SelectDown, keys.SelectDown}, 0}}},  // player 1 wins a tie
        {1, 180, {{{keys.P2StartGame}, 0}, {{keys.P2SelectUp}, 0}, {{keys.Exit}, 180}}},
        {1, 90, {{{keys.P2SelectDown}, -90}, {{keys.MusicPlay}, -90}, {{keys.GameInfo}, 90}}},
        {1, -90, {{{keys.P2ShowMenu}, 90}}},
        {0, 0, {{{keys.P2SelectDown}, 0}, {{keys.P2SelectUp}, 0}}},
    };
    for (const Case& c : cases) {
        Harness h(0);  // an empty list: nothing else happens
        h.settings.InvertPlayer2Screen = c.invert;
        h.settings.Orientation = h.settings.CurrentOrientation = c.base;
        for (const Step& step : c.steps) {
            h.position.pageDirty = false;
            const int before = h.settings.CurrentOrientation;
            for (int key : step.keys) h.tap(key);
            h.tick();
            EXPECT_EQ(h.settings.CurrentOrientation, step.orientation) << c.base;
            EXPECT_EQ(h.position.pageDirty, before != step.orientation);
        }
    }
}

TEST(BrowseController, PlayerTwoUpAtTheTopTurnsWithoutRepainting)
{
    Harness h(3);
    h.settings.InvertPlayer2Screen = 1;
    h.tap(h.settings.Keymappings.P2SelectUp);
    h.tick();
    EXPECT_EQ(h.settings.CurrentOrientation, 180);
    EXPECT_EQ(h.view.composes, 0);
    EXPECT_EQ(h.sounds.played, std::vector<std::string>{"error.wav"});
    // A player-2 move turns and moves in one tick.
    h.tap(h.settings.Keymappings.P2SelectDown);
    h.tick();
    EXPECT_EQ(h.position.selectedIndex, 1);
    EXPECT_EQ(h.view.composes, 1);
}

TEST(BrowseController, LaunchPaths)
{
    struct Case {
        int ran, exitCode;
        bool startSound;
        std::vector<std::string> log;
        std::vector<std::string> sounds;
        int64_t waitedMs;
    };
    const std::string launching = "show Launching Game: Game 1...";
    const Case cases[] = {
        {1, 0, true, {launching, "launch game001", "close"}, {"start.wav (wait)"}, 500},
        {1, 0, false, {launching, "launch game001", "close"}, {}, 500},
        {1,
         3,
         true,
         {launching, "launch game001", "show Error Launching Mame!", "close"},
         {"start.wav (wait)", "error.wav"},
         3500},
        {1,
         139,
         false,
         {launching, "launch game001", "show Error Launching Mame!", "close"},
         {"error.wav"},
         3500},
        // Could not start: the launch has said why; no second notice.
        {0, 0, true, {launching, "launch game001", "close"}, {"start.wav (wait)"}, 500},
    };
    for (const Case& c : cases) {
        Harness h(3);
        h.position.selectedIndex = 1;
        h.launchRan = c.ran;
        h.launchExitCode = c.exitCode;
        if (!c.startSound) h.settings.Sounds.StartGame.reset();
        h.tap(h.settings.Keymappings.StartGame);
        h.tick();
        EXPECT_EQ(h.log, c.log) << c.ran << "/" << c.exitCode;
        EXPECT_EQ(h.sounds.played, c.sounds);
        EXPECT_EQ(h.nowMs(), c.waitedMs);
        EXPECT_EQ(h.view.invalidates, 1);
        EXPECT_EQ(h.position.selectedIndex, 1);
    }
    Harness empty(0);
    empty.tap(empty.settings.Keymappings.P2StartGame);
    empty.tick();
    EXPECT_TRUE(empty.log.empty());
}

TEST(BrowseController, LongDescriptionsAreCutToTheMessageBuffer)
{
    EXPECT_EQ(launchingGameMessage("Pac-Man"), "Launching Game: Pac-Man...");
    const std::string ascii = launchingGameMessage(std::string(400, 'x'));
    EXPECT_EQ(ascii.size(), 255u);
    EXPECT_EQ(ascii.substr(ascii.size() - 3), "...");
    std::string accented;
    for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";  // "é"
    const std::string cut = launchingGameMessage(accented);
    EXPECT_LE(cut.size(), 255u);
    const std::string middle = cut.substr(16, cut.size() - 19);
    EXPECT_EQ(middle.size() % 2, 0u);  // whole characters only
    EXPECT_EQ(middle.substr(middle.size() - 2), "\xC3\xA9");
}

TEST(BrowseController, PressesDuringAGameAreDiscardedButOtherEventsAreNot)
{
    Harness h(5);
    const int startKey = h.settings.Keymappings.StartGame;
    h.keyboard.keyDown(startKey);  // held when the game starts; its key-up goes to the game
    h.duringLaunch = [&h] {
        h.screen.push({ScreenEventType::KeyDown, h.settings.Keymappings.SelectDown, 0});
        h.screen.push({ScreenEventType::KeyUp, h.settings.Keymappings.SelectDown, 0});
        h.screen.push({ScreenEventType::Timer, 0, 4});
        h.screen.push({ScreenEventType::Quit, 0, 0});
    };
    h.tick();
    h.duringLaunch = nullptr;
    for (int i = 0; i < 5; ++i) h.tick();
    EXPECT_EQ(h.position.selectedIndex, 0);
    int launches = 0;
    for (const std::string& entry : h.log) launches += entry.rfind("launch", 0) == 0;
    EXPECT_EQ(launches, 1);
    EXPECT_NE(std::find(h.log.begin(), h.log.end(), "event 4"), h.log.end());
    EXPECT_TRUE(h.quitQueued());  // a quit asked for meanwhile still ends the launcher
}

TEST(BrowseController, ExitWithStartGameLaunchesFirstThenQuits)
{
    Harness h(2);
    h.tap(h.settings.Keymappings.Exit);
    h.tap(h.settings.Keymappings.StartGame);
    h.tick();
    EXPECT_EQ(h.log[1], "launch game000");
    EXPECT_TRUE(h.quitQueued());
}

TEST(BrowseController, GameInfoUsesTheGamesLinesOrItsParentsInTheView)
{
    struct Case {
        bool ownLines, parentFiltered;
        int useInfo;
        std::string shown;  // empty: no window
    };
    const Case cases[] = {
        {true, true, 1, "info own"},
        {false, true, 1, "info parent"},
        {false, false, 1, ""},
        {true, true, 0, ""},
    };
    for (const Case& c : cases) {
        Harness h(3);
        h.settings.UseMameInfoDat = c.useInfo;
        GameRecord& parent = *h.table.games[0];
        GameRecord& clone = *h.table.games[2];
        parent.infoLines = {"parent"};
        clone.cloneof = parent.romname;
        if (c.ownLines) clone.infoLines = {"own"};
        if (!c.parentFiltered) h.table.filtered.erase(h.table.filtered.begin());
        h.position.selectedIndex = h.table.filteredCount() - 1;
        h.tap(h.settings.Keymappings.GameInfo);
        h.tick();
        EXPECT_EQ(h.log,
                  c.shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.shown});
        EXPECT_EQ(h.nowMs(), c.shown.empty() ? 0 : 300);
    }
}

TEST(BrowseController, MenuRefiltersAndKeepsTheSelectedGameWhenItCan)
{
    struct Case {
        bool shown;
        std::vector<int> hidden;  // games the changed filters drop
        int expected;
        int64_t waitedMs;
    };
    const Case cases[] = {
        {true, {0, 1}, 1, 500},  // game 3 now at position 1
        {true, {3}, 0, 500},     // the selected game is gone: the first entry
        {true, {0, 1, 2, 3, 4}, 0, 500},
        {false, {0, 1}, 3, 300},  // no menu (AllowMenu 0): nothing re-filtered
    };
    for (const Case& c : cases) {
        Harness h(5);
        h.position.selectedIndex = 3;
        h.menuShown = c.shown;
        h.menuChanges = [&h, &c] {
            for (int i : c.hidden) h.table.games[i]->present = 0;
            h.settings.DisplayMissingRoms = 0;
        };
        h.position.pageDirty = false;
        h.tap(h.settings.Keymappings.ShowMenu);
        h.tick();
        EXPECT_EQ(h.position.selectedIndex, c.expected);
        EXPECT_EQ(h.position.pageDirty, c.shown);
        EXPECT_EQ(h.table.filteredCount(), c.shown ? 5 - static_cast<int>(c.hidden.size()) : 5);
        EXPECT_EQ(h.nowMs(), c.waitedMs);
    }
}

TEST(BrowseController, OnlyTheFirstActiveMusicCommandRuns)
{
    Harness h(2);
    h.tap(h.settings.Keymappings.MusicNext);
    h.tap(h.settings.Keymappings.MusicStop);
    h.tick();
    EXPECT_EQ(h.log, std::vector<std::string>{"stop"});
    EXPECT_EQ(h.view.updates, 1);
    h.tick();
    EXPECT_EQ(h.view.composes, 1);  // no command, no repaint
}

TEST(BrowseController, HeldDownMovesTenEntriesASecond)
{
    Harness h(100);
    h.screen.push({ScreenEventType::KeyDown, h.settings.Keymappings.SelectDown, 0});
    int ticks = 0;
    runTickLoop(h.screen, h.clock, h.keyboard, nullptr, [&] {
        h.controller->browseTick();
        if (++ticks == 10) h.screen.postQuit();
    });
    EXPECT_EQ(h.position.selectedIndex, 10);
    EXPECT_EQ(h.nowMs(), 1000);
}

TEST(BrowseController, HeldJoystickActsOnEveryCatchUpTickAfterALongGame)
{
    Harness h(1000);
    h.settings.UseDirectInput = 0;
    h.port.attached = {{"Stick", 2, 4}};
    h.port.systemState = SystemJoystickState{32768, 65535, 0};  // held down all along
    setUpControllers(h.joystick, h.settings, h.diagnostics);
    h.launchMs = 60'000;
    h.screen.push({ScreenEventType::KeyDown, h.settings.Keymappings.StartGame, 0});
    h.screen.push({ScreenEventType::KeyUp, h.settings.Keymappings.StartGame, 0});
    int ticks = 0;
    std::vector<int64_t> tickTimes;
    runTickLoop(h.screen, h.clock, h.keyboard, nullptr, [&] {
        tickTimes.push_back(h.nowMs());
        h.controller->browseTick();
        if (++ticks == 1 + 605) h.screen.postQuit();
    });
    // Tick 1 at 100 ms moved once and launched; the game and the 500 ms pause owe 605 ticks
    // (200 .. 60600 ms), run at once, each moving again.
    EXPECT_EQ(h.position.selectedIndex, 606);
    EXPECT_EQ(tickTimes.back(), 60'600);
    EXPECT_EQ(std::count(tickTimes.begin(), tickTimes.end(), 60'600), 605);
}
