// What the modal pop-ups (the options menu and the information window) borrow from the rest of
// the launcher, and the timed loop they share.
//
// While a pop-up is open the browse loop does not run, so the pop-up's loop takes over the
// event pump: every event it takes (key presses for the keyboard state, the music bar's timer,
// repaint requests, focus changes) goes on to the main window's handler, and ten times a second
// it runs the pop-up's own input tick.
#pragma once

#include <functional>

#include "config/settings.h"
#include "display/font_cache.h"
#include "platform/clock.h"
#include "platform/screen.h"

struct PopupContext {
    Screen& screen;
    FontCache& fonts;
    LauncherSettings& settings;
    Clock& clock;
    // keyActive(virtualKey): the key is down or went down since the last query (false without
    // keyboard focus). joystickActive(mask): the joystick input is active. Empty hooks count as
    // never active.
    std::function<bool(int)> keyActive;
    std::function<bool(int)> joystickActive;
    // Queries every key once and forgets the answers, so that earlier presses do not act.
    std::function<void()> drainKeys;
    // The main window's handler for an event the pop-up's loop took (never Quit). Should feed
    // key and focus events to the keyboard state, repaint on Repaint, redraw the music bar on
    // its timer. May be empty in tests.
    std::function<void(const ScreenEvent&)> dispatchMainWindowEvent;
    // The player-2 turn changed the orientation: composes the main frame beneath again in the
    // new one (rebuilding the image browser's page), without presenting it, so that nothing on
    // the screen is left in the old orientation. May be empty.
    std::function<void()> screenTurned;
};

// 100 ms between input ticks, as in the browse loop.
inline constexpr int kPopupTickMs = 100;

// Whether a tick that comes late is followed by catch-up ticks (the menu) or simply restarts
// the period (the information window).
enum class LateTicks { CatchUp, Skip };

// How a modal loop ended.
enum class LoopEnd {
    Closed,  // the tick asked to close
    Quit,    // a Quit event arrived; it has been queued again for the main loop
};

// Runs the loop until `tick` returns true (close) or a Quit event arrives. At most one event is
// handled per pass. When no tick is due the loop waits for the next event, but only until the
// next tick: an open pop-up wakes for its ticks and its input, not a thousand times a second.
// Should the wait end early with nothing (a test screen never sleeps), the clock sleeps the
// rest, at most 20 ms at a time. GUI thread.
LoopEnd runPopupLoop(PopupContext& context, const std::function<bool()>& tick, LateTicks late);

// Input of one player for one tick, sampled once (a joystick only when the key is not active).
bool actionActive(const PopupContext& context, int virtualKey, int joystickMask);
bool keyOnlyActive(const PopupContext& context, int virtualKey);

// The player-2 turn: the orientation the screen should be drawn in after a tick in which the
// given players acted. Player 2 turns it to face him (Orientation turned half a turn), player 1
// turns it back to Orientation and wins a tie. Unchanged when InvertPlayer2Screen is not 1 or
// Orientation is not one of the four values.
int playerTwoTurn(const LauncherSettings& settings, bool playerOneActed, bool playerTwoActed);

// The four orientations drawn as such; any other value is drawn as orientation 0, which is also
// how the fonts treat it.
int drawnOrientation(int orientation);
