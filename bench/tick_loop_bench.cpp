// What an idle launcher costs: the tick loop with no input for one second of real time, ten
// ticks, on the real clock. The goal is well under 1% of one core (cpu_percent).
#include <chrono>
#include <ctime>

#include <benchmark/benchmark.h>

#include "core/tick_loop.h"

static void BM_IdleTickLoopOneSecond(benchmark::State& state)
{
    double cpuSeconds = 0;
    double wallSeconds = 0;
    for (auto _ : state) {
        FakeScreen screen(16, 16);
        SteadyClock clock;
        KeyboardState keyboard;
        int ticks = 0;
        const std::clock_t cpuStart = std::clock();
        const auto wallStart = std::chrono::steady_clock::now();
        runTickLoop(screen, clock, keyboard, nullptr, [&] {
            if (++ticks == 10) screen.postQuit();
        });
        cpuSeconds += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        wallSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    }
    state.counters["cpu_percent"] = 100.0 * cpuSeconds / wallSeconds;
}
BENCHMARK(BM_IdleTickLoopOneSecond)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
