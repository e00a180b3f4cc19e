#include "core/browse_controller.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "catalogue/rom_filter.h"
#include "display/main_window.h"
#include "ui/popup_loop.h"

namespace {

// The message buffer of the launch notice holds 255 bytes and a terminator.
constexpr size_t kMessageBytes = 255;

// Drops trailing bytes until `text` fits `maxBytes` and does not end inside a UTF-8 sequence.
void cutUtf8(std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes) return;
    size_t end = maxBytes;
    // Step back over continuation bytes to the lead byte of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
}

}  // namespace

std::string launchingGameMessage(const std::string& description)
{
    const std::string prefix = "Launching Game: ";
    const std::string suffix = "...";
    std::string shown = description;
    cutUtf8(shown, kMessageBytes - prefix.size() - suffix.size());
    return prefix + shown + suffix;
}

DisplayBrowseView::DisplayBrowseView(BrowseDisplay& display, Screen& screen,
                                     const LauncherSettings& settings)
    : display_(display), screen_(screen), settings_(settings)
{
}

void DisplayBrowseView::composeFrame() { display_.composeFrame(screen_.frame()); }

void DisplayBrowseView::invalidate() { screen_.requestRepaint(); }

void DisplayBrowseView::update() { screen_.present(); }

int DisplayBrowseView::pageSize()
{
    const int width = screen_.width();
    const int height = screen_.height();
    const int reserved = display_.gameBarThickness();
    // Rows times columns in 64 bits, held to 2^30 entries: absurd box settings can make both
    // huge, and the page is added to the selection.
    if (settings_.MenuType == kMenuTypeImageBrowser)
        return static_cast<int>(std::min<int64_t>(
            int64_t{display_.countPreviewRows(width, height, reserved)} *
                display_.countPreviewColumns(width, height),
            int64_t{1} << 30));
    return display_.countTextLines(width, height, reserved);
}

BrowseController::BrowseController(LauncherSettings& settings, GameTable& table,
                                   BrowsePosition& position, InputActions& actions, Screen& screen,
                                   BrowseView& view, SoundPlayer& sounds, Clock& clock,
                                   BrowseCommands commands)
    : settings_(settings),
      table_(table),
      position_(position),
      actions_(actions),
      screen_(screen),
      view_(view),
      sounds_(sounds),
      clock_(clock),
      commands_(std::move(commands))
{
}

void BrowseController::browseTick()
{
    const ActionFlags flags = actions_.sample();
    auto any = [&flags](InputAction a, InputAction b) { return flags[a] || flags[b]; };

    const int turned = playerTwoTurn(settings_, flags.anyPlayer1(), flags.anyPlayer2());
    if (turned != settings_.CurrentOrientation) {
        // The whole frame is composed in the new orientation and put on the screen before
        // anything else draws in it: the music bar's refresh or a pop-up opened by the same
        // action must never meet a frame, or a screen, still in the old one.
        settings_.CurrentOrientation = turned;
        position_.pageDirty = true;
        view_.composeFrame();
        view_.update();
    }

    if (any(InputAction::SelectUp, InputAction::P2SelectUp)) moveBy(-1);
    if (any(InputAction::SelectDown, InputAction::P2SelectDown)) moveBy(1);
    if (any(InputAction::SelectPageDown, InputAction::P2SelectPageDown)) pageDown();
    if (any(InputAction::SelectPageUp, InputAction::P2SelectPageUp)) pageUp();
    // Quitting is queued: a launch asked for in the same tick still runs first.
    if (any(InputAction::Exit, InputAction::P2Exit)) screen_.postQuit();
    if (any(InputAction::StartGame, InputAction::P2StartGame)) startGame();
    if (any(InputAction::GameInfo, InputAction::P2GameInfo)) showGameInfo();
    if (any(InputAction::ShowMenu, InputAction::P2ShowMenu)) showMenu();
    runMusicCommand(flags);
}

void BrowseController::playErrorSound()
{
    if (settings_.Sounds.Error && !settings_.Sounds.Error->empty())
        sounds_.play(*settings_.Sounds.Error, SoundWait::Async);
}

void BrowseController::moveBy(int delta)
{
    const int last = table_.filteredCount() - 1;
    const int target = position_.selectedIndex + delta;
    if ((delta < 0 && position_.selectedIndex <= 0) ||
        (delta > 0 && position_.selectedIndex >= last)) {
        playErrorSound();
        return;
    }
    position_.selectedIndex = target;
    view_.composeFrame();
    view_.invalidate();
}

void BrowseController::pageDown()
{
    const int last = table_.filteredCount() - 1;
    if (position_.selectedIndex >= last) {
        playErrorSound();
        return;
    }
    // Clamped both ways: a degenerate view must not report a page that leaves the list.
    const int target = position_.selectedIndex + view_.pageSize();
    position_.selectedIndex = std::max(std::min(target, last), 0);
    view_.composeFrame();
    view_.invalidate();
    view_.update();
}

void BrowseController::pageUp()
{
    if (position_.selectedIndex <= 0) {
        playErrorSound();
        return;
    }
    const int last = table_.filteredCount() - 1;
    const int target = position_.selectedIndex - view_.pageSize();
    position_.selectedIndex = std::max(std::min(target, last), 0);
    view_.composeFrame();
    view_.invalidate();
    view_.update();
}

void BrowseController::startGame()
{
    if (table_.filteredCount() <= 0) return;
    const int index = std::clamp(position_.selectedIndex, 0, table_.filteredCount() - 1);
    const GameRecord& game = *table_.filtered[index];

    if (commands_.showMessage) commands_.showMessage(launchingGameMessage(game.description));
    if (settings_.Sounds.StartGame && !settings_.Sounds.StartGame->empty())
        sounds_.play(*settings_.Sounds.StartGame, SoundWait::UntilDone);

    int exitCode = 0;
    const int ran = commands_.launchGame ? commands_.launchGame(game, exitCode) : 0;
    // The launcher's window was away while the game ran; whether it has the focus again is
    // asked afresh. Keys still held from the launch are forgotten below.
    actions_.keyboard().setFocus(screen_.hasFocus());
    // A start failure has been reported by the launch itself; only a game that ran and failed
    // gets the launcher's own notice.
    if (ran == 1 && exitCode != 0) {
        playErrorSound();
        if (commands_.showMessage) commands_.showMessage("Error Launching Mame!");
        clock_.sleepMs(kLaunchErrorDisplayMs);
    }
    clock_.sleepMs(kAfterLaunchMs);
    discardStalePresses();
    if (commands_.closeMessage) commands_.closeMessage();
    view_.invalidate();
}

void BrowseController::showGameInfo()
{
    if (settings_.UseMameInfoDat != 1 || table_.filteredCount() <= 0) return;
    if (commands_.loadHistoryTexts) commands_.loadHistoryTexts();
    const int index = std::clamp(position_.selectedIndex, 0, table_.filteredCount() - 1);
    const GameRecord& game = *table_.filtered[index];
    const std::vector<std::string>* lines = &game.infoLines;
    if (lines->empty() && game.cloneof) {
        const int parent = findFilteredIndex(table_, *game.cloneof);
        if (parent >= 0) lines = &table_.filtered[parent]->infoLines;
    }
    if (lines->empty()) return;
    if (commands_.openGameInfo) commands_.openGameInfo(*lines);
    clock_.sleepMs(kAfterGameInfoMs);
    discardStalePresses();
}

void BrowseController::showMenu()
{
    const bool shown = commands_.openMenu ? commands_.openMenu() : false;
    if (shown) {
        clock_.sleepMs(kMenuClosedMs);
        std::optional<std::string> remembered;
        if (table_.filteredCount() > 0) {
            const int index = std::clamp(position_.selectedIndex, 0, table_.filteredCount() - 1);
            remembered = table_.filtered[index]->romname;
        }
        filterGames(table_, settings_);
        position_.selectedIndex = 0;
        if (table_.filteredCount() > 0 && remembered)
            position_.selectedIndex = std::max(findFilteredIndex(table_, *remembered), 0);
        position_.pageDirty = true;
        view_.composeFrame();
        view_.invalidate();
    }
    clock_.sleepMs(kAfterMenuMs);
    discardStalePresses();
}

void BrowseController::runMusicCommand(const ActionFlags& flags)
{
    const std::function<void()>* command = nullptr;
    if (flags[InputAction::MusicPlay]) {
        command = &commands_.musicPlay;
    } else if (flags[InputAction::MusicStop]) {
        command = &commands_.musicStop;
    } else if (flags[InputAction::MusicNext]) {
        command = &commands_.musicNext;
    } else if (flags[InputAction::MusicPrevious]) {
        command = &commands_.musicPrevious;
    } else {
        return;
    }
    if (*command) (*command)();
    view_.composeFrame();
    view_.invalidate();
    view_.update();
}

void BrowseController::discardStalePresses()
{
    drainScreenEvents(screen_, actions_.keyboard(), onEvent_);
    // A control still held from the activity that just ended (the Exit that closed a window,
    // the StartGame that launched a game) must be released before it acts again: otherwise
    // holding Exit a moment too long would close the window and then quit the launcher.
    actions_.forgetHeldInputs();
}
