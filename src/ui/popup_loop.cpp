#include "ui/popup_loop.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

constexpr int kMaxIdleSleepMs = 20;

// Whole milliseconds until `dueNs`, rounded up so that a wait does not end just short of it.
int64_t msUntil(int64_t dueNs, int64_t nowNs) { return (dueNs - nowNs + 999'999) / 1'000'000; }

}  // namespace

LoopEnd runPopupLoop(PopupContext& context, const std::function<bool()>& tick, LateTicks late)
{
    constexpr int64_t kPeriodNs = int64_t{kPopupTickMs} * 1'000'000;
    int64_t last = context.clock.nowNs();
    // An event the idle wait returned: it is the next pass's one event.
    std::optional<ScreenEvent> waited;
    for (;;) {
        std::optional<ScreenEvent> event = std::exchange(waited, std::nullopt);
        if (!event) event = context.screen.pollEvent();
        if (event) {
            if (event->type == ScreenEventType::Quit) {
                // Swallowing it would keep the launcher from quitting: hand it on to the loop
                // that owns it.
                context.screen.postQuit();
                return LoopEnd::Quit;
            }
            if (context.dispatchMainWindowEvent) {
                context.dispatchMainWindowEvent(*event);
            }
        }
        const int64_t now = context.clock.nowNs();
        if (now - last >= kPeriodNs) {
            last = late == LateTicks::CatchUp ? last + kPeriodNs : now;
            if (tick()) {
                return LoopEnd::Closed;
            }
            continue;
        }
        if (event) continue;
        const int64_t untilTickMs = msUntil(last + kPeriodNs, context.clock.nowNs());
        waited =
            context.screen.waitEvent(static_cast<int>(std::clamp<int64_t>(untilTickMs, 1, 1000)));
        if (waited) continue;
        const int64_t leftMs = msUntil(last + kPeriodNs, context.clock.nowNs());
        if (leftMs > 0)
            context.clock.sleepMs(static_cast<int>(std::min<int64_t>(leftMs, kMaxIdleSleepMs)));
    }
}

bool actionActive(const PopupContext& context, int virtualKey, int joystickMask)
{
    if (keyOnlyActive(context, virtualKey)) {
        return true;
    }
    return context.joystickActive && context.joystickActive(joystickMask);
}

bool keyOnlyActive(const PopupContext& context, int virtualKey)
{
    return context.keyActive && context.keyActive(virtualKey);
}

int playerTwoTurn(const LauncherSettings& settings, bool playerOneActed, bool playerTwoActed)
{
    const int base = settings.Orientation;
    int result = settings.CurrentOrientation;
    if (settings.InvertPlayer2Screen != 1) {
        return result;
    }
    if (base != 0 && base != 180 && base != 90 && base != -90) {
        return result;
    }
    if (playerTwoActed) {
        result = base == 0 ? 180 : base == 180 ? 0 : -base;
    }
    if (playerOneActed) {
        result = base;
    }
    return result;
}

int drawnOrientation(int orientation)
{
    if (orientation == 180 || orientation == 90 || orientation == -90) {
        return orientation;
    }
    return 0;
}
