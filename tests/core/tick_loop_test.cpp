#include "core/tick_loop.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Loop {
    Loop()
    {
        // The fake screen never sleeps: an idle wait is where time passes.
        screen.whenIdle = [this](int ms) {
            waits.push_back(ms);
            clock.advanceMs(ms);
        };
    }
    // Runs until `onTick` posts a quit; the trace gets "t<ms>" per tick, "e<id>" per timer.
    void run(const std::function<void(int tick)>& onTick)
    {
        int ticks = 0;
        const int quitCode = runTickLoop(
            screen, clock, keyboard,
            [this](const ScreenEvent& e) { trace.push_back("e" + std::to_string(e.timerId)); },
            [&] {
                trace.push_back("t" + std::to_string(clock.nowNs() / 1'000'000));
                onTick(++ticks);
            });
        EXPECT_EQ(quitCode, 0);
    }
    FakeScreen screen{64, 48};
    ManualClock clock;
    KeyboardState keyboard;
    std::vector<std::string> trace;
    std::vector<int> waits;
};

}  // namespace

TEST(TickLoop, TenTicksASecondAndCatchUpAfterALongTickWithOneEventBetween)
{
    Loop loop;
    loop.clock.advanceMs(5);
    loop.run([&](int tick) {
        if (tick == 1) loop.clock.advanceMs(30);  // a tick that took 30 ms
        if (tick == 2) {
            // A game that ran for ten seconds; meanwhile three timer events, a key and a focus
            // change queued up.
            loop.clock.advanceMs(10'000);
            for (int id = 1; id <= 3; ++id) loop.screen.push({ScreenEventType::Timer, 0, id});
            loop.screen.push({ScreenEventType::KeyDown, kVkDown, 0});
            loop.screen.push({ScreenEventType::FocusGained, 0, 0});
        }
        if (tick == 103) loop.screen.postQuit();
    });
    // The 100 owed ticks (305 .. 10205 ms) all run at 10205 ms without a wait; the key and the
    // focus go to the keyboard, not the handler.
    ASSERT_EQ(loop.trace.size(), 106u);  // 103 ticks and three timer events
    const std::vector<std::string> head(loop.trace.begin(), loop.trace.begin() + 9);
    EXPECT_EQ(head, (std::vector<std::string>{"t105", "t205", "e1", "t10205", "e2", "t10205", "e3",
                                              "t10205", "t10205"}));
    EXPECT_EQ(loop.keyboard.keyActive(kVkDown), 1);
    EXPECT_EQ(std::count(loop.trace.begin(), loop.trace.end(), "t10205"), 100);
    EXPECT_EQ(loop.trace.back(), "t10305");
    EXPECT_EQ(loop.waits, (std::vector<int>{100, 70, 100}));
}
