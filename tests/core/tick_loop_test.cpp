#include "core/tick_loop.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A manual clock that also counts how often the loop slept.
class CountingClock final : public Clock {
public:
    int64_t nowNs() const override { return clock.nowNs(); }
    void sleepMs(int ms) override
    {
        ++sleeps;
        clock.sleepMs(ms);
    }
    int64_t nowMs() const { return clock.nowNs() / 1'000'000; }
    ManualClock clock;
    int sleeps = 0;
};

struct Loop {
    FakeScreen screen{64, 48};
    CountingClock clock;
    KeyboardState keyboard;
    std::vector<std::string> trace;  // "t<ms>" per tick, "e<timerId>" per other event

    int run(const std::function<void(int tick)>& onTick)
    {
        int ticks = 0;
        return runTickLoop(
            screen, clock, keyboard,
            [this](const ScreenEvent& event) {
                trace.push_back("e" + std::to_string(event.timerId));
            },
            [&] {
                ++ticks;
                trace.push_back("t" + std::to_string(clock.nowMs()));
                onTick(ticks);
            });
    }
};

}  // namespace

TEST(TickSchedule, OnePeriodPerTickNeverSkipped)
{
    TickSchedule schedule(0);
    EXPECT_FALSE(schedule.takeDueTick(99'999'999));
    EXPECT_TRUE(schedule.takeDueTick(100'000'000));
    EXPECT_FALSE(schedule.takeDueTick(150'000'000));
    // At 700 ms the ticks of 200 .. 700 ms are owed, then none until the next period.
    int owed = 0;
    while (schedule.takeDueTick(700'000'000)) ++owed;
    EXPECT_EQ(owed, 6);
    EXPECT_FALSE(schedule.takeDueTick(799'999'999));
    EXPECT_TRUE(schedule.takeDueTick(800'000'000));
}

TEST(TickLoop, TenTicksPerSecondAndIdleSleeps)
{
    Loop loop;
    const int result = loop.run([&](int tick) {
        if (tick == 10) loop.screen.postQuit();
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(loop.trace.size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(loop.trace[i], "t" + std::to_string(100 * (i + 1)));
    // Idle passes sleep, never past a tick and never longer than the cap.
    EXPECT_EQ(loop.clock.sleeps, 10 * (100 / kMaxIdleSleepMs));
}

TEST(TickLoop, CatchUpAfterALongTickRunsBackToBackWithOneEventBetween)
{
    Loop loop;
    loop.run([&](int tick) {
        if (tick == 1) {
            // A game that ran for ten seconds; meanwhile three timer events queued up.
            loop.clock.clock.advanceMs(10'000);
            for (int id = 1; id <= 3; ++id) loop.screen.push({ScreenEventType::Timer, 0, id});
        }
        if (tick == 103) loop.screen.postQuit();
    });
    // Tick 1 at 100 ms; the 100 owed ticks (200 .. 10100 ms) all run at 10100 ms, without a
    // sleep, with one event handled before each of the first three.
    const std::vector<std::string> head(loop.trace.begin(), loop.trace.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::string>{"t100", "e1", "t10100", "e2", "t10100", "e3",
                                              "t10100", "t10100"}));
    int atReturn = 0;
    for (const std::string& entry : loop.trace) atReturn += entry == "t10100";
    EXPECT_EQ(atReturn, 100);
    EXPECT_EQ(loop.trace.back(), "t10300");
}

TEST(TickLoop, HeldKeyActsOnEveryTickAndATapOnce)
{
    Loop loop;
    int heldTicks = 0;
    int tapTicks = 0;
    loop.screen.push({ScreenEventType::KeyDown, kVkDown, 0});
    loop.run([&](int tick) {
        heldTicks += loop.keyboard.keyActive(kVkDown);
        tapTicks += loop.keyboard.keyActive(kVkUp);
        if (tick == 3) {
            // Tapped and released between two ticks.
            loop.screen.push({ScreenEventType::KeyDown, kVkUp, 0});
            loop.screen.push({ScreenEventType::KeyUp, kVkUp, 0});
        }
        if (tick == 10) loop.screen.postQuit();
    });
    EXPECT_EQ(heldTicks, 10);
    EXPECT_EQ(tapTicks, 1);
}

TEST(TickLoop, KeyboardFollowsTheScreenFocus)
{
    Loop loop;
    loop.screen.focused = false;
    int active = 0;
    loop.screen.push({ScreenEventType::FocusGained, 0, 0});
    loop.run([&](int tick) {
        if (tick == 1) loop.screen.push({ScreenEventType::KeyDown, kVkEscape, 0});
        if (tick == 2) loop.screen.push({ScreenEventType::FocusLost, 0, 0});
        active += loop.keyboard.keyActive(kVkEscape);
        if (tick == 4) loop.screen.postQuit();
    });
    EXPECT_EQ(active, 1);                  // tick 2 only: focus lost before tick 3
    EXPECT_TRUE(loop.trace.size() == 4u);  // key and focus events never reach the handler
}

TEST(TickLoop, DrainHandlesEverythingPendingAndKeepsTheQuit)
{
    FakeScreen screen(8, 8);
    KeyboardState keyboard;
    keyboard.setFocus(true);
    screen.push({ScreenEventType::KeyDown, 'A', 0});
    screen.push({ScreenEventType::Quit, 0, 0});
    screen.push({ScreenEventType::Timer, 0, 7});
    std::vector<int> timers;
    EXPECT_TRUE(drainScreenEvents(screen, keyboard,
                                  [&](const ScreenEvent& e) { timers.push_back(e.timerId); }));
    EXPECT_EQ(timers, std::vector<int>{7});
    EXPECT_TRUE(keyboard.query('A').pressedSinceQuery);
    const auto next = screen.pollEvent();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->type, ScreenEventType::Quit);
    EXPECT_FALSE(screen.pollEvent());
}
