// The browse controller: one tick turns the players' inputs into moves through the filtered game
// list and into commands (launch a game, the options menu, the information window, the music).
//
// Each tick samples every action once, then in this order: turns the screen towards player 2 (or
// back; the whole frame is composed and shown again at once), moves up, down, a page down, a page
// up, asks to quit, launches, shows the game's information, opens the options menu, and runs the
// first active music command. Several of these can act in one tick. A refused move (at either end, or in an empty list) plays the Error sound
// and changes nothing. The launch, the menu and the information window block inside the tick;
// afterwards the presses made meanwhile are discarded.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "catalogue/browse_position.h"
#include "catalogue/game_record.h"
#include "config/settings.h"
#include "core/tick_loop.h"
#include "input/input_actions.h"
#include "platform/clock.h"
#include "platform/screen.h"
#include "platform/sound_player.h"

class BrowseDisplay;

// What the controller asks of the main window's drawing. GUI thread.
class BrowseView {
public:
    virtual ~BrowseView() = default;
    // Composes the whole frame off screen from the current settings, catalogue and position.
    virtual void composeFrame() = 0;
    // Asks for the frame to be put on the screen at the next chance (a Repaint event).
    virtual void invalidate() = 0;
    // Puts the frame on the screen now.
    virtual void update() = 0;
    // Entries one page-up or page-down moves by, for the current view and orientation.
    virtual int pageSize() = 0;
};

// The real view over the browse display and the screen. The page is measured on the whole
// screen less the game bar: lines of the list font in the list view, preview rows times columns
// in the image browser. Repaint events must be answered with screen.present().
class DisplayBrowseView final : public BrowseView {
public:
    DisplayBrowseView(BrowseDisplay& display, Screen& screen, const LauncherSettings& settings);
    void composeFrame() override;
    void invalidate() override;
    void update() override;
    int pageSize() override;

private:
    BrowseDisplay& display_;
    Screen& screen_;
    const LauncherSettings& settings_;
};

// The activities the controller starts, wired by the composition root. Empty hooks do nothing
// (and an empty openMenu counts as "no menu shown").
struct BrowseCommands {
    // The message window.
    std::function<void(const std::string& text)> showMessage;
    std::function<void()> closeMessage;
    // GameLauncher::launchGame: 1 when the emulator ran (exit code stored), 0 when it could not
    // start (the launcher has already said why).
    std::function<int(const GameRecord& game, int& exitCode)> launchGame;
    // runOptionsMenu: true when the menu was shown (the settings may have changed).
    std::function<bool()> openMenu;
    // Reads the history texts into the catalogue the first time it is called; the texts are
    // looked up right after it.
    std::function<void()> loadHistoryTexts;
    // showGameInfo with the chosen lines; returns when the window has closed.
    std::function<void(const std::vector<std::string>& lines)> openGameInfo;
    std::function<void()> musicPlay;
    std::function<void()> musicStop;
    std::function<void()> musicNext;
    std::function<void()> musicPrevious;
};

// Delays of the command paths, in milliseconds.
inline constexpr int kLaunchErrorDisplayMs = 3000;
inline constexpr int kAfterLaunchMs = 500;
inline constexpr int kAfterGameInfoMs = 300;
inline constexpr int kMenuClosedMs = 200;
inline constexpr int kAfterMenuMs = 300;

class BrowseController {
public:
    // Borrows everything; all must outlive the controller. `settings` is written (the player-2
    // turn, through the menu), `position` moved, `table.filtered` rebuilt after the menu.
    BrowseController(LauncherSettings& settings, GameTable& table, BrowsePosition& position,
                     InputActions& actions, Screen& screen, BrowseView& view, SoundPlayer& sounds,
                     Clock& clock, BrowseCommands commands);

    // The handler that events taken while discarding stale presses go to (the same as the tick
    // loop's), so that timers and repaints are not lost.
    void setEventHandler(ScreenEventHandler handler) { onEvent_ = std::move(handler); }

    // One controller step. GUI thread; may block (launch, menu, information window).
    void browseTick();

    // Takes every pending event (keys included), then queries every key once and forgets the
    // answers: presses made during a blocking activity do not act afterwards.
    void discardStalePresses();

private:
    void playErrorSound();
    void moveBy(int delta);
    void pageDown();
    void pageUp();
    void startGame();
    void showGameInfo();
    void showMenu();
    void runMusicCommand(const ActionFlags& flags);

    LauncherSettings& settings_;
    GameTable& table_;
    BrowsePosition& position_;
    InputActions& actions_;
    Screen& screen_;
    BrowseView& view_;
    SoundPlayer& sounds_;
    Clock& clock_;
    BrowseCommands commands_;
    ScreenEventHandler onEvent_;
};

// "Launching Game: <description>..." in at most 255 bytes: a long description is cut at a
// character boundary.
std::string launchingGameMessage(const std::string& description);
