#include "core/tick_loop.h"

#include <algorithm>
#include <utility>

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
    // An event the idle wait returned: it is the next pass's one event, so a tick that fell due
    // meanwhile still comes after at most one event.
    std::optional<ScreenEvent> waited;
    for (;;) {
        std::optional<ScreenEvent> event = std::exchange(waited, std::nullopt);
        if (!event) event = screen.pollEvent();
        if (event && dispatchScreenEvent(*event, keyboard, onEvent)) return 0;
        if (schedule.takeDueTick(clock.nowNs())) {
            if (onTick) onTick();
            continue;
        }
        if (event) continue;
        // Rounded up, so the loop does not wake just short of the tick and wait again.
        const int64_t untilTickMs = (schedule.nsUntilDue(clock.nowNs()) + 999'999) / 1'000'000;
        waited = screen.waitEvent(static_cast<int>(std::clamp<int64_t>(untilTickMs, 1, 1000)));
        if (waited) continue;
        const int64_t leftMs = (schedule.nsUntilDue(clock.nowNs()) + 999'999) / 1'000'000;
        if (leftMs > 0)
            clock.sleepMs(static_cast<int>(std::min<int64_t>(leftMs, kMaxIdleSleepMs)));
    }
}
