// The launcher's main loop: at most one screen event per pass and, every 100 ms by the clock,
// one tick of the browse controller.
//
// Ticks are never skipped. The schedule advances by exactly one period per tick, not to the
// present, so after a long blocking tick (a game that ran for an hour) the owed ticks run back to
// back, one per pass with at most one event between them, until the loop has caught up. Inputs
// held meanwhile act on every one of them.
//
// When there is neither an event nor a due tick the loop waits for the next event, but only
// until the next tick is due: the screen sleeps in the kernel, so an idle cabinet wakes ten times
// a second and not a thousand. Should the wait end early with nothing (or never sleep, as a test
// screen does), the clock sleeps the rest, at most kMaxIdleSleepMs at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "input/keyboard_state.h"
#include "platform/clock.h"
#include "platform/screen.h"

inline constexpr int64_t kTickPeriodNs = 100'000'000;
inline constexpr int kMaxIdleSleepMs = 20;

// When ticks are due. Pure; the loop asks it with the clock's time.
class TickSchedule {
public:
    explicit TickSchedule(int64_t startNs, int64_t periodNs = kTickPeriodNs)
        : last_(startNs), period_(periodNs)
    {
    }
    // True, and the schedule moves on by one period, when a tick is due at `nowNs`.
    bool takeDueTick(int64_t nowNs)
    {
        if (nowNs - last_ < period_) return false;
        last_ += period_;
        return true;
    }
    // Nanoseconds until the next tick is due; 0 or less when it is due already.
    int64_t nsUntilDue(int64_t nowNs) const { return last_ + period_ - nowNs; }

private:
    int64_t last_;
    int64_t period_;
};

// Receives every event except Quit and the key and focus events (which go to the keyboard):
// Timer, Repaint and MusicEnded. GUI thread.
using ScreenEventHandler = std::function<void(const ScreenEvent&)>;

// Feeds one event: key and focus events to the keyboard, Quit nowhere, the rest to `onEvent`
// (when set). Returns true for Quit.
bool dispatchScreenEvent(const ScreenEvent& event, KeyboardState& keyboard,
                         const ScreenEventHandler& onEvent);

// Handles every event pending now, as dispatchScreenEvent does, so that the keyboard state is up
// to date before stale presses are discarded. A Quit among them is queued again, so the loop
// still ends. Returns true when a Quit was seen.
bool drainScreenEvents(Screen& screen, KeyboardState& keyboard, const ScreenEventHandler& onEvent);

// Runs until a Quit event arrives and returns 0 (the quit code). The keyboard focus starts as the
// screen reports it. `onTick` runs the browse controller; it may block for as long as it likes.
int runTickLoop(Screen& screen, Clock& clock, KeyboardState& keyboard,
                const ScreenEventHandler& onEvent, const std::function<void()>& onTick);
