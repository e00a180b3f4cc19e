#include "core/browse_controller.h"

#include <utility>

#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "display/main_window.h"
#include "input/fake_controller_port.h"

namespace {

// Records its calls in order: c(ompose), i(nvalidate), u(pdate).
class FakeView final : public BrowseView {
public:
    void composeFrame() override { calls += 'c'; }
    void invalidate() override { calls += 'i'; }
    void update() override { calls += 'u'; }
    int pageSize() override { return page; }
    std::string calls;
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

struct Harness : InputRig {
    explicit Harness(int games)
    {
        settings.Sounds.Error = "error.wav";
        settings.Sounds.StartGame = "start.wav";
        settings.DisplayMissingRoms = 1;
        for (int i = 0; i < games; ++i) {
            auto game = makeGame("game" + std::to_string(i), "Game " + std::to_string(i));
            game->input = std::make_unique<InputInfo>(InputInfo{1, 2, 1, kControlJoy8Way});
            table.filtered.push_back(game.get());
            table.games.push_back(std::move(game));
        }
        indexCatalogue(table);
        keyboard.setFocus(true);
        BrowseCommands c;
        c.showMessage = [this](const std::string& text) { log.push_back("show " + text); };
        c.closeMessage = [this] { log.push_back("close"); };
        c.launchGame = [this](const GameRecord& game, int& exitCode) {
            log.push_back("launch " + game.romname);
            if (duringLaunch) duringLaunch();
            exitCode = launchExitCode;
            return launchRan;
        };
        c.openMenu = [this] {
            if (duringWindow) duringWindow();
            return menuShown;
        };
        c.loadHistoryTexts = [this] {
            if (loadHistory) std::exchange(loadHistory, nullptr)();
        };
        c.openGameInfo = [this](const auto& lines) {
            log.push_back("info " + lines.front());
            if (duringWindow) duringWindow();
        };
        c.musicPlay = [this] { log.push_back("play"); };
        c.musicStop = [this] { log.push_back("stop"); };
        controller = std::make_unique<BrowseController>(settings, table, position, actions, screen,
                                                        view, sounds, clock, c);
        controller->setEventHandler([this](const ScreenEvent&) { log.push_back("event"); });
    }
    // Taps the keys (pressed and released since the last tick) and runs one tick.
    void tick(const std::vector<int>& keys)
    {
        for (int key : keys) {
            keyboard.keyDown(key);
            keyboard.keyUp(key);
        }
        controller->browseTick();
    }
    int64_t nowMs() const { return clock.nowNs() / 1'000'000; }
    bool quitQueued()
    {
        bool quit = false;
        while (const auto event = screen.pollEvent()) quit |= event->type == ScreenEventType::Quit;
        return quit;
    }

    const KeyMappingSettings& keys = settings.Keymappings;
    GameTable table;
    BrowsePosition position;
    FakeScreen screen{64, 48};
    ManualClock clock;
    FakeView view;
    RecordingSounds sounds;
    std::vector<std::string> log;
    std::function<void()> duringLaunch, duringWindow;  // run while a game or window is up
    std::function<void()> loadHistory;  // what the first request for the texts reads
    int launchRan = 1, launchExitCode = 0;
    bool menuShown = true;
    std::unique_ptr<BrowseController> controller;
};

}  // namespace

TEST(BrowseController, MovesAndPagesClampWithTheErrorSoundAtTheEnds)
{
    const KeyMappingSettings k;
    struct Case {
        int games, start, key, page, expected;
        std::string calls;  // "": refused
    };
    const Case cases[] = {
        {5, 0, k.SelectUp, 10, 0, ""},            {5, 4, k.SelectPageDown, 10, 4, ""},
        {0, 0, k.SelectDown, 10, 0, ""},          {5, 2, k.P2SelectDown, 10, 3, "ci"},
        {50, 46, k.SelectPageDown, 10, 49, "ciu"},  // three before the end lands on the last
        {50, 2, k.P2SelectPageUp, 10, 0, "ciu"},  {50, 30, k.SelectPageDown, 12, 42, "ciu"},
        {50, 2, k.SelectPageDown, -10, 0, "ciu"},  // a degenerate view never leaves the list
    };
    for (const Case& c : cases) {
        Harness h(c.games);
        h.view.page = c.page;
        h.position.selectedIndex = c.start;
        h.tick({c.key});
        EXPECT_EQ(h.position.selectedIndex, c.expected) << c.start << " key " << c.key;
        EXPECT_EQ(h.view.calls, c.calls);
        EXPECT_EQ(h.sounds.played.size(), c.calls.empty() ? 1u : 0u);
        h.settings.Sounds.Error.reset();  // no sound set: none played
        h.tick({c.key});
        EXPECT_LE(h.sounds.played.size(), 1u);
    }
    Harness h(10);
    h.position.selectedIndex = 5;
    h.tick({h.keys.SelectUp, h.keys.SelectDown});  // both in one tick: back where it was
    EXPECT_EQ(h.position.selectedIndex, 5);
    EXPECT_EQ(h.view.calls, "cici");
}

// Which keys belong to which player; the turning rule itself is shared with the windows. A turn
// composes the whole frame and puts it on the screen before anything else draws: the music
// bar's refresh or a window opened by the same key must never meet the old orientation.
TEST(BrowseController, PlayerTwoTurnsTheScreenAndPlayerOneTurnsItBack)
{
    Harness h(0);  // an empty list: nothing else happens
    h.settings.InvertPlayer2Screen = 1;
    const std::pair<std::vector<int>, int> steps[] = {
        {{h.keys.P2ShowMenu}, 180}, {{h.keys.MusicPlay}, 180}, {{h.keys.GameInfo}, 0},
        {{h.keys.P2StartGame}, 180}, {{h.keys.Exit}, 0},
        {{h.keys.P2SelectDown, h.keys.SelectDown}, 0},  // player 1 wins a tie
    };
    for (const auto& [keys, orientation] : steps) {
        h.position.pageDirty = false;
        h.view.calls.clear();
        const int before = h.settings.CurrentOrientation;
        h.tick(keys);
        EXPECT_EQ(h.settings.CurrentOrientation, orientation) << keys.front();
        EXPECT_EQ(h.position.pageDirty, before != orientation);
        EXPECT_EQ(h.view.calls.starts_with("cu"), before != orientation) << h.view.calls;
    }
    EXPECT_EQ(h.log, std::vector<std::string>{"play"});  // no launch from an empty list
}

TEST(BrowseController, LaunchPaths)
{
    const std::string launching = "show Launching Game: Game 1...";
    const std::string failed = "show Error Launching Mame!";
    // {the game ran, its exit code, what was shown, sounds, time waited}
    const std::tuple<int, int, std::vector<std::string>, std::vector<std::string>, int> cases[] = {
        {1, 0, {launching, "launch game1", "close"}, {"start.wav (wait)"}, 500},
        {1, 3, {launching, "launch game1", failed, "close"}, {"start.wav (wait)", "error.wav"},
         3500},
        // Could not start: the launch has said why; no second notice.
        {0, 3, {launching, "launch game1", "close"}, {"start.wav (wait)"}, 500},
    };
    for (const auto& [ran, exitCode, log, sounds, waitedMs] : cases) {
        Harness h(3);
        h.position.selectedIndex = 1;
        h.launchRan = ran;
        h.launchExitCode = exitCode;
        h.tick({h.keys.StartGame});
        EXPECT_EQ(h.log, log) << ran << "/" << exitCode;
        EXPECT_EQ(h.sounds.played, sounds);
        EXPECT_EQ(h.nowMs(), waitedMs);
        EXPECT_EQ(h.view.calls, "i");
    }
    Harness both(2);  // Exit with StartGame: the game runs first, then the launcher quits
    both.position.selectedIndex = 7;  // a stale selection past the end: the last game
    both.tick({both.keys.Exit, both.keys.StartGame});
    EXPECT_EQ(both.log[1], "launch game1");
    EXPECT_TRUE(both.quitQueued());
    // The notice fits its 255-byte buffer, cut between whole UTF-8 characters; stray
    // continuation bytes leave no character to keep.
    std::string accented;
    for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";
    const std::string cut = launchingGameMessage(accented);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_EQ(cut.substr(cut.size() - 5), "\xC3\xA9...");
    EXPECT_EQ(launchingGameMessage(std::string(300, '\x80')), "Launching Game: ...");
}

// Presses made while a game runs are dropped, and what is still held when it ends (a key, or a
// joystick direction through all the ticks the game owes) acts only after a release.
TEST(BrowseController, PressesDuringAGameAreDiscardedButOtherEventsAreNot)
{
    Harness h(5);
    h.settings.UseDirectInput = 0;
    h.port.attached = {{"Stick", 2, 4}};
    h.port.systemState = SystemJoystickState{32768, 32768, 0};
    h.setUp();
    h.keyboard.keyDown(h.keys.StartGame);  // held at the launch; its key-up goes to the game
    h.duringLaunch = [&h] {
        h.port.systemState->y = 65535;  // pushed down in the game and held after it
        h.screen.push({ScreenEventType::KeyDown, h.keys.SelectDown, 0});
        h.screen.push({ScreenEventType::KeyUp, h.keys.SelectDown, 0});
        h.screen.push({ScreenEventType::Timer, 0, 4});
        h.screen.push({ScreenEventType::Quit, 0, 0});
    };
    h.tick({});
    h.duringLaunch = nullptr;
    for (int i = 0; i < 5; ++i) h.tick({});
    EXPECT_EQ(h.position.selectedIndex, 0);
    EXPECT_EQ(h.log, (std::vector<std::string>{"show Launching Game: Game 0...", "launch game0",
                                               "event", "close"}));
    EXPECT_TRUE(h.quitQueued());  // a quit asked for meanwhile still ends the launcher
    h.port.systemState->y = 32768;  // let go, then pushed again: one move
    h.tick({});
    h.port.systemState->y = 65535;
    h.tick({});
    EXPECT_EQ(h.position.selectedIndex, 1);
}

// Each window closed on Exit, which is still held a moment later: that must not quit the
// launcher.
TEST(BrowseController, GameInfoMenuAndMusic)
{
    // {the clone has lines of its own, its parent is in the view, what opens}
    const std::tuple<bool, bool, std::vector<std::string>> infos[] = {
        {true, true, {"info own"}}, {false, true, {"info parent"}}, {false, false, {}}};
    for (const auto& [ownLines, parentFiltered, log] : infos) {
        Harness h(3);
        h.settings.UseMameInfoDat = 1;
        h.table.games[2]->cloneof = "game0";
        // The texts arrive when the key asks for them.
        h.loadHistory = [&h, ownLines = ownLines] {
            h.table.games[0]->infoLines = {"parent"};
            if (ownLines) h.table.games[2]->infoLines = {"own"};
        };
        h.duringWindow = [&h] { h.keyboard.keyDown(h.keys.Exit); };
        if (!parentFiltered) h.table.filtered.erase(h.table.filtered.begin());
        h.position.selectedIndex = h.table.filteredCount() - 1;
        h.tick({h.keys.GameInfo});
        EXPECT_EQ(h.log, log);
        EXPECT_EQ(h.nowMs(), log.empty() ? 0 : 300);
        h.tick({});
        EXPECT_FALSE(h.quitQueued());
    }

    // {the menu was shown, games the changed filters drop, selection after, time waited}
    const std::tuple<bool, std::vector<int>, int, int64_t> menus[] = {
        {true, {0, 1}, 1, 500},   // game 3 is now at position 1
        {true, {3}, 0, 500},      // the selected game is gone: the first entry
        {false, {0, 1}, 3, 300},  // no menu shown: nothing re-filtered
    };
    for (const auto& [shown, hidden, expected, waitedMs] : menus) {
        Harness h(5);
        h.position.selectedIndex = 3;
        h.menuShown = shown;
        h.duringWindow = [&h, &hidden = hidden] {
            for (int i : hidden) h.table.games[i]->present = 0;
            h.settings.DisplayMissingRoms = 0;
            h.keyboard.keyDown(h.keys.Exit);
        };
        h.position.pageDirty = false;
        h.tick({h.keys.ShowMenu});
        EXPECT_EQ(h.position.selectedIndex, expected);
        EXPECT_EQ(h.position.pageDirty, shown);
        EXPECT_EQ(h.nowMs(), waitedMs);
        h.tick({});
        EXPECT_FALSE(h.quitQueued());
    }

    Harness h(2);  // only the first active music command runs
    h.tick({h.keys.MusicNext, h.keys.MusicStop});
    h.tick({});
    EXPECT_EQ(h.log, std::vector<std::string>{"stop"});
    EXPECT_EQ(h.view.calls, "ciu");
}
