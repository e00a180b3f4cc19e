#include "core/tick_loop.h"

#include <algorithm>

bool dispatchScreenEvent(const ScreenEvent& event, KeyboardState& keyboard,
                         const ScreenEventHandler& onEvent)
{
    if (event.type == ScreenEventType::Quit) return true;
    if (keyboard.handleEvent(event)) return false;
    if (onEvent) onEvent(event);
    return false;
}

bool drainScreenEvents(Screen& screen, KeyboardState& keyboard, const ScreenEventHandler& onEvent)
{
    bool quit = false;
    while (const auto event = screen.pollEvent()) {
        if (dispatchScreenEvent(*event, keyboard, onEvent)) quit = true;
    }
    if (quit) screen.postQuit();
    return quit;
}

int runTickLoop(Screen& screen, Clock& clock, KeyboardState& keyboard,
                const ScreenEventHandler& onEvent, const std::function<void()>& onTick)
{
    keyboard.setFocus(screen.hasFocus());
    TickSchedule schedule(clock.nowNs());
    for (;;) {
        const auto event = screen.pollEvent();
        if (event && dispatchScreenEvent(*event, keyboard, onEvent)) return 0;
        if (schedule.takeDueTick(clock.nowNs())) {
            if (onTick) onTick();
            continue;
        }
        if (!event) {
            // Rounded up, so the loop does not wake just short of the tick and sleep again.
            const int64_t untilTickMs = (schedule.nsUntilDue(clock.nowNs()) + 999'999) / 1'000'000;
            clock.sleepMs(static_cast<int>(std::clamp<int64_t>(untilTickMs, 1, kMaxIdleSleepMs)));
        }
    }
}
